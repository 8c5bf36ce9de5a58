#pragma once

#include <string>
#include <string_view>

// Small text helpers shared by the settings-store reader, the activity log, the process check
// and the views. Nothing here knows of markets or widgets.
namespace text {

// Root of every settings-store key this program reads.
inline constexpr const char* kSettingsRoot = "SOFTWARE\\QEL_IP";

// Day and month names of the log texts, indexed by tm_wday (0 = Sunday) and month - 1.
extern const char* const kWeekdayNames[7];
extern const char* const kMonthNames[12];

// True when both texts are equal, ignoring the case of ASCII letters.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// The text with ASCII letters in lower case.
std::string ToLower(std::string_view s);

// The decimal value of a text as atoi reads it (leading blanks, a sign, digits up to the
// first other character; none gives 0), but held to the range of an int: a long run of
// digits never wraps into another number.
int AtoiClamped(std::string_view s);

// The text without leading or trailing white space.
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);

}  // namespace text
