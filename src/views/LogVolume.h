#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

// How many log rows a page holds per minute of their time (per second for the last six
// hours of it), by kind of reason code: the data of the log-volume strip above the list. Kept
// as rows arrive (a constant cost a row, however many are held), with the rows the filter
// matches counted beside them.
//
// Minutes are kept from the earliest to the latest row time seen, for at most
// kMaxSpanSeconds (about 1 MB for that month); seconds for the latest kSecondsKept of it
// (0.5 MB). A row whose time lies further from the rows held (a gateway clock gone wrong) is
// counted as outside and drawn nowhere.
class LogVolume {
  public:
    enum Kind : int { kUserLink, kTradingHostLink, kQueueAlarm, kOther, kKinds };
    static constexpr std::int64_t kMaxSpanSeconds = 31 * 24 * 3600;
    static constexpr std::int64_t kSecondsKept = 6 * 3600;
    static constexpr std::uint32_t kNoPlace = UINT32_MAX;

    // 11xxx the users' links, 12xxx the gateway's link to the trading host, 13xxx queue
    // alarms, any other code.
    static Kind KindOf(std::uint16_t reasonCode);

    // A row of `eventTime` (seconds since 1970) at store place `place`.
    void Add(std::int32_t eventTime, std::uint16_t reasonCode, std::uint32_t place);
    // A row the filter matches.
    void AddMatch(std::int32_t eventTime);
    void ClearMatches();
    void Clear();

    bool Empty() const { return m_minutes.counts.empty(); }
    std::int64_t FirstSecond() const { return m_first; }
    std::int64_t LastSecond() const { return m_last; }
    // Where seconds are kept: [SecondsFrom(), LastSecond()].
    std::int64_t SecondsFrom() const { return m_seconds.base; }
    std::uint64_t Outside() const { return m_outside; }

    struct Bar {
        std::int64_t from = 0;  // the bar's first second
        std::array<std::uint32_t, kKinds> rows{};
        std::uint32_t matches = 0;
        std::uint32_t total() const { return rows[0] + rows[1] + rows[2] + rows[3]; }
    };
    // Bars of `step` seconds from `from` up to `to` (excluded): from the hours or the minutes
    // when bars are whole hours or minutes of the clock, else from the seconds kept (none
    // before them).
    std::vector<Bar> Bars(std::int64_t from, std::int64_t to, int step) const;
    // The store place of the first row that arrived with a time in [from, to) (to the minute,
    // before the seconds kept), or kNoPlace.
    std::uint32_t FirstPlace(std::int64_t from, std::int64_t to) const;

  private:
    struct Count {
        std::array<std::uint32_t, kKinds> rows{};
        std::uint32_t matches = 0;
        std::uint32_t firstPlace = kNoPlace;
    };
    // Counts of `unit` seconds each, from the one starting at `base` on, without holes.
    struct Buckets {
        explicit Buckets(std::int64_t length) : unit(length) {}
        std::int64_t StartOf(std::int64_t second) const {
            return second - ((second % unit) + unit) % unit;
        }
        // The count holding `second`, the buckets grown to hold it; null when they would then
        // span `maxSpan` seconds or more.
        Count* At(std::int64_t second, std::int64_t maxSpan);
        // The count holding `second`, or null where none is kept.
        Count* Find(std::int64_t second);
        const Count* Find(std::int64_t second) const;
        void ClearMatches();

        std::int64_t unit;
        std::deque<Count> counts;
        std::int64_t base = 0;  // the first bucket's start
    };
    // The second's count, the window of seconds moved on to hold it; null before the window.
    Count* SecondAt(std::int64_t second);

    Buckets m_minutes{60};
    // Sums per hour, so that a strip of weeks is drawn from hundreds of hours: the cost of a
    // repaint does not grow with the time the rows span.
    Buckets m_hours{3600};
    Buckets m_seconds{1};
    std::int64_t m_first = 0;
    std::int64_t m_last = 0;
    std::uint64_t m_outside = 0;
    std::uint64_t m_counted = 0;  // rows counted in the minutes
};
