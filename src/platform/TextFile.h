#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// Opens `path` for reading when it names a regular file (links followed). A folder, FIFO,
// socket or device is refused (errno EISDIR or EINVAL) without ever waiting for a writer,
// so a configuration path that names one reads as a file that cannot be opened. The
// stream is closed by the caller (fclose).
std::FILE* OpenRegularFile(const std::string& path);

// Reads the whole of a regular file of at most `maxBytes`; false when it cannot be opened,
// is not a regular file, is larger, or a read fails.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* content);

// Text files are read as text: a carriage return in front of a new-line belongs to the line
// end, not to the line.
std::string_view WithoutLineEnd(std::string_view line);
// The line end a file uses, taken from its first line: "\r\n" or "\n" (also for a file of
// one line without any). Lines a rewrite writes end the same way.
std::string_view LineEndOf(std::string_view content);

}  // namespace platform
