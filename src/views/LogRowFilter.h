#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "views/LogRow.h"

// Whether a log row's cells ("User ID", "Time", "Message", "Reason") contain a text, ignoring
// case, without forming every cell: a reason code's sentence is looked at once per code,
// numbers are written only when the text could be part of one, and the time is written from
// the local hour it falls in, which is worked out once per hour.
class LogRowFilter {
  public:
    // `text` in UTF-8; the cells are ASCII, so only ASCII letters fold.
    explicit LogRowFilter(const std::string& text);
    // Besides the text, only rows whose time lies in [from, to) (seconds since 1970), when
    // to > from: the range picked on the log-volume strip.
    LogRowFilter(const std::string& text, std::int64_t from, std::int64_t to);

    bool Matches(const LogRow& row);
    const std::string& Needle() const { return m_needle; }

  private:
    bool ReasonMatches(std::uint16_t code);
    bool NumberMatches(std::int32_t value) const;
    bool TimeMatches(std::int32_t seconds);

    std::int64_t m_from = 0;
    std::int64_t m_to = 0;
    std::string m_needle;                // lower case
    bool m_numeric;                      // could be part of a number's text
    bool m_timeLike;                     // could be part of a time's text
    bool m_newMatches;                   // part of "NEW", the text of user ID 0
    std::vector<std::int8_t> m_reasons;  // per code: -1 not looked at yet, 0 no, 1 yes
    // The local hour last seen: [m_hourStart, m_hourStart + 3600) reads as m_hourText
    // ("monday, march 02, 2026, 14:") followed by minutes and seconds.
    std::int64_t m_hourStart = 1;
    std::int64_t m_hourEnd = 0;
    std::string m_hourText;
};
