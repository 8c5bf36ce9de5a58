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

LogVolume::Count* LogVolume::MinuteAt(std::int64_t second) {
    const std::int64_t start = MinuteStart(second);
    if (m_minutes.empty()) {
        m_minuteBase = start;
        m_minutes.emplace_back();
        return &m_minutes.front();
    }
    const std::int64_t lastStart =
        m_minuteBase + 60 * static_cast<std::int64_t>(m_minutes.size() - 1);
    if (start < m_minuteBase) {
        if (lastStart - start >= kMaxSpanSeconds) {
            return nullptr;
        }
        m_minutes.insert(m_minutes.begin(), static_cast<std::size_t>((m_minuteBase - start) / 60),
                         Count{});
        m_minuteBase = start;
    } else if (start > lastStart) {
        if (start - m_minuteBase >= kMaxSpanSeconds) {
            return nullptr;
        }
        m_minutes.resize(static_cast<std::size_t>((start - m_minuteBase) / 60 + 1));
    }
    return &m_minutes[static_cast<std::size_t>((start - m_minuteBase) / 60)];
}

// Within the minutes' span, which decides what is counted at all.
LogVolume::Count* LogVolume::HourAt(std::int64_t second) {
    const std::int64_t start = second - ((second % 3600) + 3600) % 3600;
    if (m_hours.empty()) {
        m_hourBase = start;
        m_hours.emplace_back();
    } else if (start < m_hourBase) {
        m_hours.insert(m_hours.begin(), static_cast<std::size_t>((m_hourBase - start) / 3600),
                       Count{});
        m_hourBase = start;
    } else if (static_cast<std::size_t>((start - m_hourBase) / 3600) >= m_hours.size()) {
        m_hours.resize(static_cast<std::size_t>((start - m_hourBase) / 3600 + 1));
    }
    return &m_hours[static_cast<std::size_t>((start - m_hourBase) / 3600)];
}

const LogVolume::Count* LogVolume::KeptHour(std::int64_t hourStart) const {
    const std::int64_t index = (hourStart - m_hourBase) / 3600;
    return hourStart >= m_hourBase && index < static_cast<std::int64_t>(m_hours.size())
               ? &m_hours[static_cast<std::size_t>(index)]
               : nullptr;
}

// Seconds follow the latest time: older ones go as the window moves on.
LogVolume::Count* LogVolume::SecondAt(std::int64_t second) {
    if (m_seconds.empty()) {
        m_secondBase = second;
        m_seconds.emplace_back();
        return &m_seconds.front();
    }
    const std::int64_t last = m_secondBase + static_cast<std::int64_t>(m_seconds.size()) - 1;
    if (second > last) {
        if (second - last >= kSecondsKept) {
            m_seconds.clear();
            m_secondBase = second;
            m_seconds.emplace_back();
            return &m_seconds.front();
        }
        m_seconds.resize(m_seconds.size() + static_cast<std::size_t>(second - last));
        while (static_cast<std::int64_t>(m_seconds.size()) > kSecondsKept) {
            m_seconds.pop_front();
            ++m_secondBase;
        }
    } else if (second < m_secondBase) {
        if (last - second >= kSecondsKept) {
            return nullptr;  // before the seconds kept: its minute counts it
        }
        m_seconds.insert(m_seconds.begin(), static_cast<std::size_t>(m_secondBase - second),
                         Count{});
        m_secondBase = second;
    }
    return &m_seconds[static_cast<std::size_t>(second - m_secondBase)];
}

const LogVolume::Count* LogVolume::KeptSecond(std::int64_t second) const {
    const std::int64_t index = second - m_secondBase;
    return index >= 0 && index < static_cast<std::int64_t>(m_seconds.size())
               ? &m_seconds[static_cast<std::size_t>(index)]
               : nullptr;
}

const LogVolume::Count* LogVolume::KeptMinute(std::int64_t minuteStart) const {
    const std::int64_t index = (minuteStart - m_minuteBase) / 60;
    return minuteStart >= m_minuteBase && index < static_cast<std::int64_t>(m_minutes.size())
               ? &m_minutes[static_cast<std::size_t>(index)]
               : nullptr;
}

void LogVolume::Add(std::int32_t eventTime, std::uint16_t reasonCode, std::uint32_t place) {
    Count* minute = MinuteAt(eventTime);
    if (!minute) {
        ++m_outside;
        return;
    }
    const Kind kind = KindOf(reasonCode);
    ++minute->rows[kind];
    minute->firstPlace = std::min(minute->firstPlace, place);
    ++HourAt(eventTime)->rows[kind];
    m_first = m_counted == 0 ? eventTime : std::min<std::int64_t>(m_first, eventTime);
    m_last = m_counted == 0 ? eventTime : std::max<std::int64_t>(m_last, eventTime);
    ++m_counted;
    if (Count* second = SecondAt(eventTime)) {
        ++second->rows[kind];
        second->firstPlace = std::min(second->firstPlace, place);
    }
}

void LogVolume::AddMatch(std::int32_t eventTime) {
    if (Empty() || eventTime < m_first || eventTime > m_last) {
        return;
    }
    if (Count* minute = MinuteAt(eventTime)) {
        ++minute->matches;
        ++HourAt(eventTime)->matches;
    }
    if (const Count* kept = KeptSecond(eventTime)) {
        ++const_cast<Count*>(kept)->matches;
    }
}

void LogVolume::ClearMatches() {
    for (Count& minute : m_minutes) {
        minute.matches = 0;
    }
    for (Count& hour : m_hours) {
        hour.matches = 0;
    }
    for (Count& second : m_seconds) {
        second.matches = 0;
    }
}

void LogVolume::Clear() {
    m_minutes = {};
    m_hours = {};
    m_seconds = {};
    m_minuteBase = m_hourBase = m_secondBase = m_first = m_last = 0;
    m_outside = m_counted = 0;
}

std::vector<LogVolume::Bar> LogVolume::Bars(std::int64_t from, std::int64_t to, int step) const {
    std::vector<Bar> bars;
    if (step <= 0 || to <= from) {
        return bars;
    }
    const bool byHour = step % 3600 == 0 && from % 3600 == 0;
    const bool byMinute = !byHour && step % 60 == 0 && MinuteStart(from) == from;
    const int unit = byHour ? 3600 : byMinute ? 60 : 1;
    for (std::int64_t start = from; start < to; start += step) {
        Bar bar;
        bar.from = start;
        for (std::int64_t at = start; at < start + step; at += unit) {
            const Count* count = byHour ? KeptHour(at) : byMinute ? KeptMinute(at) : KeptSecond(at);
            if (!count) {
                continue;
            }
            for (int kind = 0; kind < kKinds; ++kind) {
                bar.rows[kind] += count->rows[kind];
            }
            bar.matches += count->matches;
        }
        bars.push_back(bar);
    }
    return bars;
}

std::uint32_t LogVolume::FirstPlace(std::int64_t from, std::int64_t to) const {
    std::uint32_t first = kNoPlace;
    if (from >= m_secondBase && !m_seconds.empty()) {
        for (std::int64_t s = from; s < to; ++s) {
            if (const Count* count = KeptSecond(s)) {
                first = std::min(first, count->firstPlace);
            }
        }
        return first;
    }
    for (std::int64_t m = MinuteStart(from); m < to; m += 60) {
        if (const Count* count = KeptMinute(m)) {
            first = std::min(first, count->firstPlace);
        }
    }
    return first;
}
