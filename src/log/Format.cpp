#include "log/Format.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

std::string FormatInto(std::size_t size, const char* format, va_list args) {
    std::vector<char> buffer(size > 0 ? size : 1, '\0');
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data());
}

}  // namespace

std::string Fmt(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatInto(kTextBufferSize, format, args);
    va_end(args);
    return text;
}

std::string FmtN(std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatInto(size, format, args);
    va_end(args);
    return text;
}

const char* const kWeekdayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};
