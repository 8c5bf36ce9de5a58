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

LogVolume::Count* LogVolume::Buckets::At(std::int64_t second, std::int64_t maxSpan) {
    const std::int64_t start = StartOf(second);
    if (counts.empty()) {
        base = start;
        counts.emplace_back();
        return &counts.front();
    }
    const std::int64_t last = base + unit * static_cast<std::int64_t>(counts.size() - 1);
    if (start < base) {
        if (last - start >= maxSpan) {
            return nullptr;
        }
        counts.insert(counts.begin(), static_cast<std::size_t>((base - start) / unit), Count{});
        base = start;
    } else if (start > last) {
        if (start - base >= maxSpan) {
            return nullptr;
        }
        counts.resize(static_cast<std::size_t>((start - base) / unit + 1));
    }
    return &counts[static_cast<std::size_t>((start - base) / unit)];
}

LogVolume::Count* LogVolume::Buckets::Find(std::int64_t second) {
    const std::int64_t start = StartOf(second);
    const std::int64_t index = (start - base) / unit;
    return start >= base && index < static_cast<std::int64_t>(counts.size())
               ? &counts[static_cast<std::size_t>(index)]
               : nullptr;
}

const LogVolume::Count* LogVolume::Buckets::Find(std::int64_t second) const {
    return const_cast<Buckets*>(this)->Find(second);
}

void LogVolume::Buckets::ClearMatches() {
    for (Count& count : counts) {
        count.matches = 0;
    }
}

// Seconds follow the latest time: older ones go as the window moves on.
LogVolume::Count* LogVolume::SecondAt(std::int64_t second) {
    std::deque<Count>& seconds = m_seconds.counts;
    if (!seconds.empty()) {
        const std::int64_t last = m_seconds.base + static_cast<std::int64_t>(seconds.size()) - 1;
        if (second - last >= kSecondsKept) {
            seconds.clear();  // the whole window moves on
        } else if (second < m_seconds.base && last - second >= kSecondsKept) {
            return nullptr;  // before the seconds kept: its minute counts it
        }
    }
    Count* count = m_seconds.At(second, kMaxSpanSeconds);
    while (static_cast<std::int64_t>(seconds.size()) > kSecondsKept) {
        seconds.pop_front();
        ++m_seconds.base;
    }
    return count;
}

void LogVolume::Add(std::int32_t eventTime, std::uint16_t reasonCode, std::uint32_t place) {
    Count* minute = m_minutes.At(eventTime, kMaxSpanSeconds);
    if (!minute) {
        ++m_outside;
        return;
    }
    const Kind kind = KindOf(reasonCode);
    ++minute->rows[kind];
    minute->firstPlace = std::min(minute->firstPlace, place);
    // Within the minutes' span, the hours' is never passed.
    ++m_hours.At(eventTime, kMaxSpanSeconds + 3600)->rows[kind];
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
    for (Buckets* buckets : {&m_minutes, &m_hours, &m_seconds}) {
        if (Count* count = buckets->Find(eventTime)) {
            ++count->matches;
        }
    }
}

void LogVolume::ClearMatches() {
    m_minutes.ClearMatches();
    m_hours.ClearMatches();
    m_seconds.ClearMatches();
}

void LogVolume::Clear() {
    m_minutes = Buckets(60);
    m_hours = Buckets(3600);
    m_seconds = Buckets(1);
    m_first = m_last = 0;
    m_outside = m_counted = 0;
}

std::vector<LogVolume::Bar> LogVolume::Bars(std::int64_t from, std::int64_t to, int step) const {
    std::vector<Bar> bars;
    if (step <= 0 || to <= from) {
        return bars;
    }
    const bool byHour = step % 3600 == 0 && m_hours.StartOf(from) == from;
    const bool byMinute = !byHour && step % 60 == 0 && m_minutes.StartOf(from) == from;
    const Buckets& buckets = byHour ? m_hours : byMinute ? m_minutes : m_seconds;
    for (std::int64_t start = from; start < to; start += step) {
        Bar bar;
        bar.from = start;
        for (std::int64_t at = start; at < start + step; at += buckets.unit) {
            const Count* count = buckets.Find(at);
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
    const bool bySecond = from >= m_seconds.base && !m_seconds.counts.empty();
    const Buckets& buckets = bySecond ? m_seconds : m_minutes;
    for (std::int64_t at = buckets.StartOf(from); at < to; at += buckets.unit) {
        if (const Count* count = buckets.Find(at)) {
            first = std::min(first, count->firstPlace);
        }
    }
    return first;
}
