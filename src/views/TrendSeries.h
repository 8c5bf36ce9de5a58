#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "views/TrendStream.h"

// A figure of a history: a change (span 0; lowest, highest and last are the figure itself) or
// the figures of one minute (span 60).
struct TrendPoint {
    std::int64_t time = 0;
    std::int64_t span = 0;
    double min = 0;
    double max = 0;
    double last = 0;
    bool operator==(const TrendPoint&) const = default;
};

// A time without a figure to show, from `start` up to `end`.
struct TrendGap {
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool operator==(const TrendGap&) const = default;
};

// One statistic's history as a chart draws it, oldest first. A point's figure holds until the
// next point or the next gap, whichever comes first; the newest one's until `end`.
struct TrendHistory {
    std::vector<TrendPoint> points;
    std::vector<TrendGap> gaps;
    std::int64_t end = 0;
};

// The part of `history` that shows in [from, to]: its points there, led by the point still in
// force at `from`, and the gaps that reach into it.
TrendHistory SliceHistory(const TrendHistory& history, std::int64_t from, std::int64_t to);

// The history of one statistic from the moment the console started: every change of the last
// hour as it came, and before that one entry a minute (lowest, highest, last) for seven days.
// Where the page showed no number (the figure was stale, or its text was no number) there is
// a gap; a gap shorter than a minute is kept only in the last hour.
//
// Memory is bounded whatever the figures do. A figure's time has whole seconds, and a second
// adds at most one change and one break, so the last 65 minutes (changes move on in batches
// of five minutes) hold at most 3,901 changes of up to 11 bytes and as many breaks of 3. The
// older part holds at most 10,141 minutes (7 days and an hour: minutes leave in batches of an
// hour) of up to 27 bytes and as many gaps of 7. With the buffers' spare eighth that is at
// most 450 KB per statistic. A whole number that counts up every second costs about 3 bytes a
// change and 5 a minute: 12 KB for the hour and 50 KB for the week.
class TrendSeries {
  public:
    static constexpr std::int64_t kFullResolution = 3600;
    static constexpr std::int64_t kKept = 7 * 24 * 3600;

    // A fresh figure that reads as a number. A figure older than one already taken is left
    // out; a second figure of the same second replaces the first.
    void AddNumber(std::int64_t time, double value);
    // A fresh figure that reads as no number: the line ends there.
    void AddText(std::int64_t time);
    bool Empty() const { return m_lastTaken == kNone; }

    // Everything kept, as seen at `now`: a figure taken five minutes or more before `now`
    // and not followed by another has gone stale, and a gap runs from then up to `now`.
    TrendHistory History(std::int64_t now) const;
    // Bytes held, the object included.
    std::size_t Bytes() const;

  private:
    static constexpr std::int64_t kNone = INT64_MIN;

    void Close(std::int64_t time);
    void Age(std::int64_t newest);
    void Fold(const TrendEvent& event);
    void FlushMinute();

    TrendStream m_recent;   // changes and breaks, as they came
    TrendStream m_minutes;  // minutes and gaps
    // The minute being filled from aged changes, and the start of a gap taken from m_recent
    // whose end is the next change still there.
    TrendEvent m_minute;
    bool m_hasMinute = false;
    bool m_open = false;  // the newest change holds: no break since
    std::int64_t m_agedBreak = kNone;
    // The newest change while the line holds: kept out of m_recent so that a figure of the
    // same second can replace it.
    std::int64_t m_pendingTime = kNone;
    double m_pendingValue = 0;
    std::int64_t m_lastFresh = kNone;  // the newest number taken
    std::int64_t m_lastTaken = kNone;  // the newest figure taken, number or text
};
