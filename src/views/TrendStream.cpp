#include "views/TrendStream.h"

#include <cmath>
#include <cstring>

namespace {

// How a number is kept: as the one it follows, as a difference of whole numbers or of
// thousandths, or as its own 8 bytes.
enum ValueMode : std::uint8_t { kSame, kWhole, kThousandths, kRaw };

// Whole numbers up to 2^53 are exact in a double, so their differences are too.
constexpr double kExactLimit = 9007199254740992.0;

bool AsWhole(double value, std::int64_t* whole) {
    if (std::fabs(value) >= kExactLimit || std::trunc(value) != value) {
        return false;
    }
    *whole = static_cast<std::int64_t>(value);
    return true;
}

// A figure written with up to three decimals ("35.5") reads back exactly from its thousandths.
bool AsThousandths(double value, std::int64_t* thousandths) {
    if (std::fabs(value) >= kExactLimit / 1000) {
        return false;
    }
    const double scaled = std::nearbyint(value * 1000);
    if (scaled / 1000 != value) {
        return false;
    }
    *thousandths = static_cast<std::int64_t>(scaled);
    return true;
}

std::uint64_t ZigZag(std::int64_t n) {
    return (static_cast<std::uint64_t>(n) << 1) ^ static_cast<std::uint64_t>(n >> 63);
}

std::int64_t UnZigZag(std::uint64_t n) {
    return static_cast<std::int64_t>(n >> 1) ^ -static_cast<std::int64_t>(n & 1);
}

// Writes into a buffer of at least 10 bytes; returns the bytes written.
std::size_t PutVarint(std::uint64_t n, std::uint8_t* out) {
    std::size_t length = 0;
    while (n >= 0x80) {
        out[length++] = static_cast<std::uint8_t>(n | 0x80);
        n >>= 7;
    }
    out[length++] = static_cast<std::uint8_t>(n);
    return length;
}

std::uint64_t GetVarint(const std::uint8_t* bytes, std::size_t* at) {
    std::uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t byte = bytes[(*at)++];
        n |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
        if (byte < 0x80) {
            return n;
        }
    }
}

// An entry's bytes while it is being made: at most 1 + 10 + 10 + 3 * 10.
struct Encoder {
    std::uint8_t bytes[64];
    std::size_t length = 1;

    void Signed(std::int64_t n) { length += PutVarint(ZigZag(n), bytes + length); }
    void Unsigned(std::uint64_t n) { length += PutVarint(n, bytes + length); }

    // Appends `value` as a difference from `reference`; returns its mode.
    ValueMode Value(double value, double reference) {
        std::int64_t a = 0;
        std::int64_t b = 0;
        if (value == reference) {
            return kSame;
        }
        if (AsWhole(value, &a) && AsWhole(reference, &b)) {
            Signed(a - b);
            return kWhole;
        }
        if (AsThousandths(value, &a) && AsThousandths(reference, &b)) {
            Signed(a - b);
            return kThousandths;
        }
        std::memcpy(bytes + length, &value, sizeof value);
        length += sizeof value;
        return kRaw;
    }
};

double GetValue(ValueMode mode, double reference, const std::uint8_t* bytes, std::size_t* at) {
    std::int64_t base = 0;
    switch (mode) {
        case kSame:
            return reference;
        case kWhole:
            AsWhole(reference, &base);
            return static_cast<double>(base + UnZigZag(GetVarint(bytes, at)));
        case kThousandths:
            AsThousandths(reference, &base);
            return static_cast<double>(base + UnZigZag(GetVarint(bytes, at))) / 1000;
        case kRaw:
            break;
    }
    double value = 0;
    std::memcpy(&value, bytes + *at, sizeof value);
    *at += sizeof value;
    return value;
}

// The first byte of an entry: its kind in the low two bits, then two bits per number saying
// how it is kept (a point has one number, a minute three).
ValueMode ModeAt(std::uint8_t tag, int index) {
    return static_cast<ValueMode>((tag >> (2 + 2 * index)) & 3);
}

}  // namespace

void TrendStream::Append(const TrendEvent& event) {
    if (Empty()) {
        m_frontTime = event.time;
    }
    Encoder encoder;
    unsigned tag = event.kind;
    encoder.Signed(event.time - m_backReference.time);
    if (event.kind == TrendEvent::kGap) {
        encoder.Unsigned(static_cast<std::uint64_t>(event.end - event.time));
    } else if (event.kind == TrendEvent::kPoint) {
        tag |= encoder.Value(event.last, m_backReference.value) << 2;
        m_backReference.value = event.last;
    } else if (event.kind == TrendEvent::kMinute) {
        tag |= encoder.Value(event.min, m_backReference.value) << 2;
        tag |= encoder.Value(event.max, event.min) << 4;
        tag |= encoder.Value(event.last, event.max) << 6;
        m_backReference.value = event.last;
    }
    m_backReference.time = event.time;
    encoder.bytes[0] = static_cast<std::uint8_t>(tag);
    Grow(encoder.length);
    m_bytes.insert(m_bytes.end(), encoder.bytes, encoder.bytes + encoder.length);
}

TrendEvent TrendStream::Decode(Cursor* cursor) const {
    const std::uint8_t* bytes = m_bytes.data();
    const std::uint8_t tag = bytes[cursor->at++];
    Reference& reference = cursor->reference;
    TrendEvent event;
    event.kind = static_cast<TrendEvent::Kind>(tag & 3);
    event.time = reference.time + UnZigZag(GetVarint(bytes, &cursor->at));
    event.end = event.time;
    if (event.kind == TrendEvent::kGap) {
        event.end = event.time + static_cast<std::int64_t>(GetVarint(bytes, &cursor->at));
    } else if (event.kind == TrendEvent::kPoint) {
        event.last = GetValue(ModeAt(tag, 0), reference.value, bytes, &cursor->at);
        event.min = event.max = event.last;
        reference.value = event.last;
    } else if (event.kind == TrendEvent::kMinute) {
        event.min = GetValue(ModeAt(tag, 0), reference.value, bytes, &cursor->at);
        event.max = GetValue(ModeAt(tag, 1), event.min, bytes, &cursor->at);
        event.last = GetValue(ModeAt(tag, 2), event.max, bytes, &cursor->at);
        reference.value = event.last;
    }
    reference.time = event.time;
    return event;
}

TrendEvent TrendStream::Front() const {
    Cursor cursor{m_front, m_frontReference};
    return Decode(&cursor);
}

TrendEvent TrendStream::PopFront() {
    Cursor cursor{m_front, m_frontReference};
    const TrendEvent event = Decode(&cursor);
    m_front = cursor.at;
    m_frontReference = cursor.reference;
    if (!Empty()) {
        m_frontTime = Front().time;
    }
    return event;
}

void TrendStream::Compact() {
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_front));
    m_front = 0;
}

// The buffer grows by an eighth rather than doubling: thousands of histories grow side by
// side, and doubling would leave a quarter of their memory unused on average.
void TrendStream::Grow(std::size_t more) {
    const std::size_t needed = m_bytes.size() + more;
    if (needed > m_bytes.capacity()) {
        m_bytes.reserve(needed + needed / 8 + 32);
    }
}
