#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One gateway log message as the log view keeps it: the decoded fields only, 16 bytes, so a
// list of millions of rows stays small. The texts are formed when a row is painted.
struct LogRow {
    std::int32_t eventTime;  // seconds since 1970-01-01 00:00:00 UTC
    std::int32_t userId;     // sign-extended from the message's width
    std::int32_t reasonValue;
    std::uint16_t reasonCode;
};
static_assert(sizeof(LogRow) == 16, "log rows must stay compact");

// Reads a log message (code 10000) from its zero-filled 1024-byte buffer in the market's
// layout, chosen anew from the market and the user-ID flags.
LogRow DecodeLogMessage(const unsigned char* message, int marketType);

// The four cells of a row: "User ID", "Time", "Message", "Reason".
inline constexpr const char* kLogColumnHeaders[4] = {"User ID", "Time", "Message", "Reason"};
std::string UserIdText(const LogRow& row);
std::string EventTimeText(const LogRow& row);
std::string MessageText(const LogRow& row);
std::string ReasonValueText(const LogRow& row);
// The cells in column order.
std::vector<std::string> CellTexts(const LogRow& row);

// "Monday, March 02, 2026, 14:05:09" in the process's local time; empty when the time
// cannot be converted. Names are English whatever the locale.
std::string FormatEventTime(std::int64_t seconds);

// The sentence for a reason code, or "No description for reason code [%d]".
std::string GetReasonDescription(int reasonCode);
