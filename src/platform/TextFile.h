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

// The largest text file read whole for editing (configuration files, the FIX file): far
// beyond any such file, yet small enough that a wrong path (a log, an image) is refused
// rather than held in memory and rewritten.
constexpr std::size_t kLargestTextFile = std::size_t{16} << 20;
// How many first bytes of a file decide whether it holds text (LooksLikeUtf16OrBinary).
constexpr std::size_t kTextHeadLength = 4096;

// Text as operators save it: a file may start with a UTF-8 byte-order mark (EF BB BF), which
// belongs to no line; it is passed over when reading and kept when rewriting. Gives its
// length, 3, or 0 when `content` does not start with one.
std::size_t Utf8BomLength(std::string_view content);

// Whether a file starting with `head` (only its first kTextHeadLength bytes count) is no
// 8-bit text: it starts with a UTF-16 byte-order mark (FF FE or FE FF), or at least a quarter
// of those bytes are NUL (UTF-16 without a mark, a file preallocated with zeros). Reading
// such a file line by line finds no key, and appending ASCII lines to it would mix
// encodings, so it is refused as a file that cannot be opened. A stray NUL in an otherwise
// ordinary text is no reason to refuse it.
bool LooksLikeUtf16OrBinary(std::string_view head);

// Reads the whole of a regular file of at most kLargestTextFile bytes that holds 8-bit text
// (see LooksLikeUtf16OrBinary), as the configuration files are read for a rewrite; false when
// ReadRegularFile would fail or the file holds no such text. WhyNotEditableText says why.
bool ReadTextFile(const std::string& path, std::string* content);

// Why `path` cannot be read as a text file for editing, in a few plain words to show after
// "Couldn't open file [...] in read mode.": "it is a folder", "it is not a regular file",
// "it is larger than 16 MB", "it holds UTF-16 text (byte-order mark FF FE); save it as UTF-8
// or ASCII" (or FE FF), "it holds mostly NUL bytes, so it is not a text file", or the
// system's text for the error ("No such file or directory", "Permission denied"). Empty when
// it is a readable regular text file of at most kLargestTextFile bytes.
std::string WhyNotEditableText(const std::string& path);

// Text files are read as text: a carriage return in front of a new-line belongs to the line
// end, not to the line.
std::string_view WithoutLineEnd(std::string_view line);
// The line end a file uses, taken from its first line: "\r\n" or "\n" (also for a file of
// one line without any). Lines a rewrite writes end the same way.
std::string_view LineEndOf(std::string_view content);

}  // namespace platform
