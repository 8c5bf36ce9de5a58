#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

// How many log rows a page holds per second of their time, by kind of reason code: the data
// of the log-volume strip above the list. Kept as rows arrive (a constant cost a row, however
// many are held), and with the rows the filter matches counted beside them.
//
// Seconds are kept from the earliest to the latest row time seen, 24 bytes each (2 MB a day
// of rows), for at most kMaxSpanSeconds: a row whose time lies further from the rows held
// (a gateway clock gone wrong) is counted as outside and drawn nowhere.
class LogVolume {
  public:
    enum Kind : int { kUserLink, kTradingHostLink, kQueueAlarm, kOther, kKinds };
    static constexpr std::int64_t kMaxSpanSeconds = 31 * 24 * 3600;
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

    bool Empty() const { return m_seconds.empty(); }
    std::int64_t FirstSecond() const { return m_base; }
    std::int64_t LastSecond() const {
        return m_base + static_cast<std::int64_t>(m_seconds.size()) - 1;
    }
    std::uint64_t Outside() const { return m_outside; }

    struct Bar {
        std::int64_t from = 0;  // the bar's first second
        std::array<std::uint32_t, kKinds> rows{};
        std::uint32_t matches = 0;
        std::uint32_t total() const { return rows[0] + rows[1] + rows[2] + rows[3]; }
    };
    // Bars of `step` seconds from `from` (a multiple of step is not needed) up to `to`
    // (excluded).
    std::vector<Bar> Bars(std::int64_t from, std::int64_t to, int step) const;
    // The store place of the first row that arrived with a time in [from, to), or kNoPlace.
    std::uint32_t FirstPlace(std::int64_t from, std::int64_t to) const;

  private:
    struct Second {
        std::array<std::uint32_t, kKinds> rows{};
        std::uint32_t matches = 0;
        std::uint32_t firstPlace = kNoPlace;
    };
    // Sums per minute of the clock, so that a strip of days is drawn from minutes, not from
    // millions of seconds.
    struct Minute {
        std::array<std::uint32_t, kKinds> rows{};
        std::uint32_t matches = 0;
    };
    // The second's entry, the span grown to hold it; null when it lies too far out.
    Second* At(std::int64_t second);
    Minute& MinuteOf(std::int64_t second);
    static std::int64_t MinuteStart(std::int64_t second) {
        return second - ((second % 60) + 60) % 60;
    }

    std::deque<Second> m_seconds;
    std::int64_t m_base = 0;
    std::deque<Minute> m_minutes;
    std::int64_t m_minuteBase = 0;  // the first minute's start
    std::uint64_t m_outside = 0;
};
