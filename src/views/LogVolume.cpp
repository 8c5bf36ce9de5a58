#include "views/LogVolume.h"

#include <algorithm>

LogVolume::Kind LogVolume::KindOf(std::uint16_t reasonCode) {
    switch (reasonCode / 1000) {
        case 11:
            return kUserLink;
        case 12:
            return kTradingHostLink;
        case 13:
            return kQueueAlarm;
        default:
            return kOther;
    }
}

LogVolume::Second* LogVolume::At(std::int64_t second) {
    if (m_seconds.empty()) {
        m_base = second;
        m_seconds.emplace_back();
        return &m_seconds.front();
    }
    const std::int64_t last = LastSecond();
    if (second < m_base) {
        if (last - second >= kMaxSpanSeconds) {
            return nullptr;
        }
        m_seconds.insert(m_seconds.begin(), static_cast<std::size_t>(m_base - second), Second{});
        m_base = second;
    } else if (second > last) {
        if (second - m_base >= kMaxSpanSeconds) {
            return nullptr;
        }
        m_seconds.resize(static_cast<std::size_t>(second - m_base + 1));
    }
    return &m_seconds[static_cast<std::size_t>(second - m_base)];
}

// Within the span the seconds hold: the minutes grow with them.
LogVolume::Minute& LogVolume::MinuteOf(std::int64_t second) {
    const std::int64_t start = MinuteStart(second);
    if (m_minutes.empty()) {
        m_minuteBase = start;
        m_minutes.emplace_back();
    } else if (start < m_minuteBase) {
        m_minutes.insert(m_minutes.begin(), static_cast<std::size_t>((m_minuteBase - start) / 60),
                         Minute{});
        m_minuteBase = start;
    } else if (static_cast<std::size_t>((start - m_minuteBase) / 60) >= m_minutes.size()) {
        m_minutes.resize(static_cast<std::size_t>((start - m_minuteBase) / 60 + 1));
    }
    return m_minutes[static_cast<std::size_t>((start - m_minuteBase) / 60)];
}

void LogVolume::Add(std::int32_t eventTime, std::uint16_t reasonCode, std::uint32_t place) {
    Second* second = At(eventTime);
    if (!second) {
        ++m_outside;
        return;
    }
    const Kind kind = KindOf(reasonCode);
    ++second->rows[kind];
    second->firstPlace = std::min(second->firstPlace, place);
    ++MinuteOf(eventTime).rows[kind];
}

void LogVolume::AddMatch(std::int32_t eventTime) {
    if (!m_seconds.empty() && eventTime >= m_base && eventTime <= LastSecond()) {
        ++m_seconds[static_cast<std::size_t>(eventTime - m_base)].matches;
        ++MinuteOf(eventTime).matches;
    }
}

void LogVolume::ClearMatches() {
    for (Second& second : m_seconds) {
        second.matches = 0;
    }
    for (Minute& minute : m_minutes) {
        minute.matches = 0;
    }
}

void LogVolume::Clear() {
    m_seconds = {};
    m_minutes = {};
    m_base = m_minuteBase = 0;
    m_outside = 0;
}

std::vector<LogVolume::Bar> LogVolume::Bars(std::int64_t from, std::int64_t to, int step) const {
    std::vector<Bar> bars;
    if (step <= 0 || to <= from) {
        return bars;
    }
    // Whole minutes are summed from the minutes.
    const bool byMinute = step % 60 == 0 && MinuteStart(from) == from;
    for (std::int64_t start = from; start < to; start += step) {
        Bar bar;
        bar.from = start;
        if (byMinute) {
            for (std::int64_t m = std::max(start, m_minuteBase);
                 !m_minutes.empty() && m < start + step &&
                 static_cast<std::size_t>((m - m_minuteBase) / 60) < m_minutes.size();
                 m += 60) {
                const Minute& minute = m_minutes[static_cast<std::size_t>((m - m_minuteBase) / 60)];
                for (int kind = 0; kind < kKinds; ++kind) {
                    bar.rows[kind] += minute.rows[kind];
                }
                bar.matches += minute.matches;
            }
            bars.push_back(bar);
            continue;
        }
        const std::int64_t lo = std::max(start, m_base);
        const std::int64_t hi = std::min<std::int64_t>(start + step, LastSecond() + 1);
        for (std::int64_t s = lo; !m_seconds.empty() && s < hi; ++s) {
            const Second& second = m_seconds[static_cast<std::size_t>(s - m_base)];
            for (int kind = 0; kind < kKinds; ++kind) {
                bar.rows[kind] += second.rows[kind];
            }
            bar.matches += second.matches;
        }
        bars.push_back(bar);
    }
    return bars;
}

std::uint32_t LogVolume::FirstPlace(std::int64_t from, std::int64_t to) const {
    std::uint32_t first = kNoPlace;
    const std::int64_t lo = std::max(from, m_base);
    const std::int64_t hi = std::min<std::int64_t>(to, LastSecond() + 1);
    for (std::int64_t s = lo; !m_seconds.empty() && s < hi; ++s) {
        first = std::min(first, m_seconds[static_cast<std::size_t>(s - m_base)].firstPlace);
    }
    return first;
}
