#pragma once

// Reading and rewriting the key=value configuration files that the gateways own (each
// market's gateway configuration file and the common configuration file; the FIX file's
// global keys are read the same way). A parameter line is KEY=value with no blanks around
// the '='; keys compare case-sensitively; any other line (#comments, blank lines) is not a
// match and survives every rewrite. Lines are read in pieces of at most 511 characters, a
// longer line counting as several. Files are read as text: a carriage return in front of a
// new-line belongs to the line end, never to a key or a value, and a UTF-8 byte-order mark
// at the start of the file belongs to no line (a rewrite keeps it in front).
//
// A path that names no regular file (a folder, FIFO or device) cannot be opened: 300. Nor
// can a file that holds no 8-bit text: UTF-16 (as Windows PowerShell saves by default) or
// mostly NUL bytes (see platform::LooksLikeUtf16OrBinary); no key could be read from it, and
// the writer leaves it untouched rather than append ASCII lines to it.
// platform::WhyNotEditableText tells why a path cannot be opened.
//
// The lookups return 0 when the key was found and its value stored, -1 when the key is
// missing before the end of the file, has no value, or (string lookup) the value does not
// fit, leaving the caller's variable untouched, and 300 when the file cannot be opened.
// Both stop at the first match. Nothing here writes to the activity log: callers report.

// What the functions below return.
namespace kv {
inline constexpr int kFound = 0;
inline constexpr int kNotFound = -1;
inline constexpr int kCannotOpen = 300;
inline constexpr int kUpdateFailed = 200;
inline constexpr int kNothingChanged = 1;
inline constexpr int kReplaced = 9000;
inline constexpr int kDeleted = 9001;
inline constexpr int kAppended = 9002;
}  // namespace kv

// Scans whitespace-separated tokens, anywhere on a line: in "KEY=value" the value runs to
// the next '=' ("KEY==5" gives 5) and is converted as atoi does (sign and digits; no digits
// give 0). A token longer than 511 characters is passed over.
int get_int_parameter(const char* path, const char* key, int* value);

// Scans lines: the key is the text before the first '=' (leading '=' skipped), the value
// all the rest of the line, blanks and '=' included. The value must be shorter than
// `capacity` bytes; it is stored NUL-terminated.
int get_string_parameter(const char* path, const char* key, char* buffer, int capacity);

// Rewrites the file with new values for `count` keys (NUL-terminated texts in 40-byte
// fields): every line of such a key is replaced by KEY=value, or removed when the new
// value is empty; keys the file lacks are appended at its end. A key indented by blanks or
// tabs (which get_int_parameter finds) names that key's line too; the indentation stays.
// Every other byte stays as it was: lines written end as the file's lines do (CR LF in a
// CR LF file), and a last line without a line end gets one only when a line is appended
// after it. A file whose bytes would not change is not written. Otherwise it is replaced
// atomically (see platform::ReplaceFile: links are written through, a read-only file is
// refused): readers see the old content or the new one, and on failure the old file stays
// as it was.
// Returns 9000, 9001 or 9002 when the last change made (in file order, then appends)
// replaced, deleted or appended a key, 1 when nothing changed, 300 when the file cannot be
// read (also when larger than platform::kLargestTextFile) and 200 when the new file could
// not be written or put in place; for 200 and 300 `errorText` (at least 1024 bytes) receives
// the reason.
int write_configuration_parameters(const char* path, const char keys[][40], const char values[][40],
                                   int count, char* errorText);
