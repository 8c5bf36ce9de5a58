#pragma once

#include <cstddef>
#include <string>

// Size of the program's message and path buffers.
constexpr std::size_t kTextBufferSize = 1024;

// Formats a text as the program forms its messages: in a fixed buffer of 1024 bytes, cutting
// what does not fit, as snprintf does.
std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same with a buffer of `size` bytes.
std::string FmtN(std::size_t size, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Day and month names of the log texts (activity log and gateway log times), indexed by
// tm_wday (0 = Sunday) and month - 1.
extern const char* const kWeekdayNames[7];
extern const char* const kMonthNames[12];
