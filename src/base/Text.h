#pragma once

#include <string>
#include <string_view>

// Small text helpers every layer shares: the bottom of the program, knowing nothing of
// markets, files or widgets.
namespace text {

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
std::string_view Trim(std::string_view s);

}  // namespace text
