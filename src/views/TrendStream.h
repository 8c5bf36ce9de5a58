#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One entry of a statistic's history. Times are seconds since 1970-01-01 00:00:00 UTC.
struct TrendEvent {
    enum Kind : std::uint8_t {
        kPoint,   // the figure changed to `last` at `time`
        kBreak,   // the line ends at `time`: the figure went stale or stopped reading as a number
        kMinute,  // the figures of the minute starting at `time`: lowest, highest, last
        kGap,     // no figure from `time` up to `end`
    };
    Kind kind = kPoint;
    std::int64_t time = 0;
    std::int64_t end = 0;
    double min = 0;
    double max = 0;
    double last = 0;
};

// A history as compact bytes, appended at the back in time order and taken from the front as
// it ages. Each entry is kept as its difference from the entry before: times and whole or
// thousandths numbers as variable-length integers, other numbers as their 8 bytes. A counter
// that grows costs 2 to 4 bytes a change, where a plain record would take 16 to 32.
//
// Sizes of one entry: a point 1 to 13 bytes (19 after a jump of centuries), a break 1 to 11,
// a minute 2 to 35, a gap 2 to 21; an entry within an hour of the one before needs at most 2
// bytes for its time.
class TrendStream {
  public:
    void Append(const TrendEvent& event);
    bool Empty() const { return m_front == m_bytes.size(); }
    // The oldest entry and its time; the stream must not be empty.
    TrendEvent Front() const;
    std::int64_t FrontTime() const { return m_frontTime; }
    // Takes the oldest entry away and returns it. Its bytes are given back by Compact.
    TrendEvent PopFront();
    void Compact();

    // Calls `visit(const TrendEvent&)` for every entry, oldest first.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        Cursor cursor{m_front, m_frontReference};
        while (cursor.at < m_bytes.size()) {
            visit(Decode(&cursor));
        }
    }

    // Bytes held, including the spare room of the buffer.
    std::size_t Bytes() const { return m_bytes.capacity(); }

  private:
    // What an entry is a difference from: the time of the entry before and the last figure.
    struct Reference {
        std::int64_t time = 0;
        double value = 0;
    };
    struct Cursor {
        std::size_t at;
        Reference reference;
    };
    TrendEvent Decode(Cursor* cursor) const;
    void Grow(std::size_t more);

    std::vector<std::uint8_t> m_bytes;
    std::size_t m_front = 0;       // bytes before it belong to entries already taken
    std::int64_t m_frontTime = 0;  // kept, as it is asked for at every change
    Reference m_frontReference;    // what the front entry is a difference from
    Reference m_backReference;     // what the next appended entry will be a difference from
};
