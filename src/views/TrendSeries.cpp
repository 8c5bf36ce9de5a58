#include "views/TrendSeries.h"

#include <algorithm>

#include "views/StatisticsFile.h"

namespace {

// Changes leave the last hour five minutes' worth at a time, minutes leave the seven days an
// hour's worth at a time, so that a history's bytes move seldom.
constexpr std::int64_t kAgingBatch = 300;
constexpr std::int64_t kDroppingBatch = 3600;

std::int64_t MinuteOf(std::int64_t time) {
    return time - ((time % 60) + 60) % 60;
}

// The first second after an entry of the older part.
std::int64_t EndOf(const TrendEvent& event) {
    return event.kind == TrendEvent::kGap ? event.end : event.time + 60;
}

TrendEvent Point(std::int64_t time, double value) {
    return {TrendEvent::kPoint, time, time, value, value, value};
}

}  // namespace

TrendHistory SliceHistory(const TrendHistory& history, std::int64_t from, std::int64_t to) {
    TrendHistory slice;
    slice.end = history.end;
    const auto& points = history.points;
    auto first = std::lower_bound(points.begin(), points.end(), from,
                                  [](const TrendPoint& p, std::int64_t t) { return p.time < t; });
    // The point before `from` still holds there unless a gap began between.
    if (first != points.begin()) {
        const TrendPoint& before = *std::prev(first);
        const bool broken = std::any_of(history.gaps.begin(), history.gaps.end(), [&](auto& gap) {
            return gap.start >= before.time && gap.start <= from;
        });
        if (!broken) {
            slice.points.push_back(before);
        }
    }
    for (; first != points.end() && first->time <= to; ++first) {
        slice.points.push_back(*first);
    }
    for (const TrendGap& gap : history.gaps) {
        if (gap.end > from && gap.start <= to) {
            slice.gaps.push_back(gap);
        }
    }
    return slice;
}

void TrendSeries::AddNumber(std::int64_t time, double value) {
    // After a break a new line needs a later second, so a second adds at most one of each.
    if (time < m_lastTaken || (!m_open && time == m_lastTaken)) {
        return;
    }
    if (m_open && time - m_lastFresh >= kStaleStatisticSeconds) {
        Close(m_lastFresh + kStaleStatisticSeconds);  // the page showed it blank from then on
    }
    m_lastTaken = m_lastFresh = time;
    if (m_open && value == m_pendingValue) {
        return;
    }
    if (m_open && time == m_pendingTime) {
        m_pendingValue = value;
        return;
    }
    if (m_open) {
        m_recent.Append(Point(m_pendingTime, m_pendingValue));
    }
    m_open = true;
    m_pendingTime = time;
    m_pendingValue = value;
    Age(time);
}

void TrendSeries::AddText(std::int64_t time) {
    if (!m_open || time < m_lastTaken) {
        return;
    }
    Close(std::min(time, m_lastFresh + kStaleStatisticSeconds));
    m_lastTaken = time;
}

void TrendSeries::Close(std::int64_t time) {
    m_recent.Append(Point(m_pendingTime, m_pendingValue));
    m_recent.Append({TrendEvent::kBreak, time, time});
    m_open = false;
}

void TrendSeries::Age(std::int64_t newest) {
    if (!m_recent.Empty() && m_recent.FrontTime() < newest - kFullResolution - kAgingBatch) {
        // Whole minutes only, so a minute is never half in each part.
        const std::int64_t cutoff = MinuteOf(newest - kFullResolution);
        while (!m_recent.Empty() && m_recent.FrontTime() < cutoff) {
            Fold(m_recent.PopFront());
        }
        m_recent.Compact();
    }
    if (!m_minutes.Empty() && m_minutes.FrontTime() < newest - kKept - kDroppingBatch) {
        while (!m_minutes.Empty() && EndOf(m_minutes.Front()) < newest - kKept) {
            m_minutes.PopFront();
        }
        m_minutes.Compact();
    }
}

// An aged change or break joins the older part. A break's gap ends at the change after it,
// which m_recent always holds (only a change ages the history); a gap within one minute is
// left out there, as a minute's figures are drawn whole.
void TrendSeries::Fold(const TrendEvent& event) {
    if (event.kind == TrendEvent::kBreak) {
        m_agedBreak = event.time;
        return;
    }
    const std::int64_t minute = MinuteOf(event.time);
    if (m_agedBreak != kNone) {
        if (MinuteOf(m_agedBreak) != minute) {
            FlushMinute();
            m_minutes.Append({TrendEvent::kGap, m_agedBreak, event.time});
        }
        m_agedBreak = kNone;
    }
    if (m_hasMinute && m_minute.time == minute) {
        m_minute.min = std::min(m_minute.min, event.last);
        m_minute.max = std::max(m_minute.max, event.last);
        m_minute.last = event.last;
        return;
    }
    FlushMinute();
    m_minute = {TrendEvent::kMinute, minute, minute, event.last, event.last, event.last};
    m_hasMinute = true;
}

void TrendSeries::FlushMinute() {
    if (m_hasMinute) {
        m_minutes.Append(m_minute);
        m_hasMinute = false;
    }
}

TrendHistory TrendSeries::History(std::int64_t now) const {
    TrendHistory history;
    history.end = now;
    m_minutes.ForEach([&](const TrendEvent& event) {
        if (event.kind == TrendEvent::kGap) {
            history.gaps.push_back({event.time, event.end});
        } else {
            history.points.push_back({event.time, 60, event.min, event.max, event.last});
        }
    });
    if (m_hasMinute) {
        history.points.push_back({m_minute.time, 60, m_minute.min, m_minute.max, m_minute.last});
    }
    std::int64_t gapStart = m_agedBreak;
    auto change = [&](std::int64_t time, double value) {
        if (gapStart != kNone) {
            history.gaps.push_back({gapStart, time});
            gapStart = kNone;
        }
        history.points.push_back({time, 0, value, value, value});
    };
    m_recent.ForEach([&](const TrendEvent& event) {
        if (event.kind == TrendEvent::kBreak) {
            gapStart = event.time;
        } else {
            change(event.time, event.last);
        }
    });
    if (m_open) {
        change(m_pendingTime, m_pendingValue);
        if (now - m_lastFresh >= kStaleStatisticSeconds) {
            gapStart = m_lastFresh + kStaleStatisticSeconds;
        }
    }
    if (gapStart != kNone) {
        history.gaps.push_back({gapStart, std::max(gapStart, now)});
    }
    return history;
}

std::size_t TrendSeries::Bytes() const {
    return sizeof(*this) + m_recent.Bytes() + m_minutes.Bytes();
}
