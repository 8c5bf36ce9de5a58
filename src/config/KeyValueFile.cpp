#include "config/KeyValueFile.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "platform/AtomicReplace.h"
#include "platform/TextFile.h"

namespace {

constexpr std::size_t kPieceLength = 511;  // what a 512-byte line buffer holds
constexpr std::size_t kFieldLength = 40;   // the writer's key and value fields
constexpr std::size_t kErrorTextSize = 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a configuration file for a lookup, positioned after a UTF-8 byte-order mark, which
// is no part of the first key; a file that holds no 8-bit text (UTF-16, mostly NUL bytes)
// cannot be opened.
File OpenForReading(const char* path) {
    File file(path ? platform::OpenRegularFile(path) : nullptr);
    if (!file) {
        return file;
    }
    char head[platform::kTextHeadLength];
    const std::string_view read(head, std::fread(head, 1, sizeof head, file.get()));
    if (platform::LooksLikeUtf16OrBinary(read)) {
        return nullptr;
    }
    // A read error is left for the scan to meet, which then finds nothing.
    std::fseek(file.get(), static_cast<long>(platform::Utf8BomLength(read)), SEEK_SET);
    return file;
}

__attribute__((format(printf, 2, 3))) void SetError(char* errorText, const char* format, ...) {
    if (!errorText) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(errorText, kErrorTextSize, format, arguments);
    va_end(arguments);
}

// Reads the next piece of a line: its characters up to and including the new-line, at most
// kPieceLength of them. False at the end of the file and on a read error, which the callers
// treat alike (a lookup then reports "not found"; the writer checks ferror itself).
bool ReadPiece(std::FILE* file, std::string& piece) {
    piece.clear();
    int c;
    while (piece.size() < kPieceLength && (c = std::getc(file)) != EOF) {
        piece.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    return !piece.empty() && !std::ferror(file);
}

enum class Token { Read, TooLong, End };

// Reads the next whitespace-separated token. A token longer than a line piece is read to
// its end and reported as too long, so it is skipped whole rather than cut into pieces that
// could pass for other keys.
Token ReadToken(std::FILE* file, std::string& token) {
    token.clear();
    int c;
    while ((c = std::getc(file)) != EOF && std::isspace(c)) {
    }
    bool too_long = false;
    for (; c != EOF && !std::isspace(c); c = std::getc(file)) {
        if (token.size() < kPieceLength) {
            token.push_back(static_cast<char>(c));
        } else {
            too_long = true;
        }
    }
    if (token.empty() || std::ferror(file)) {
        return Token::End;
    }
    return too_long ? Token::TooLong : Token::Read;
}

struct KeyAndRest {
    std::string_view key;   // empty when the text names no key (empty or all '=')
    std::string_view rest;  // the text after the '=' that ended the key; empty without one
};

// The key is the text before the first '=' once leading '=' characters are skipped.
KeyAndRest SplitKey(std::string_view text) {
    std::size_t start = text.find_first_not_of('=');
    if (start == std::string_view::npos) {
        return {};
    }
    std::size_t end = text.find('=', start);
    if (end == std::string_view::npos) {
        return {text.substr(start), {}};
    }
    return {text.substr(start, end - start), text.substr(end + 1)};
}

struct Change {
    std::string_view key;
    std::string_view value;  // empty: delete the key
    bool written = false;
};

std::vector<Change> ReadChanges(const char keys[][40], const char values[][40], int count) {
    std::vector<Change> changes;
    for (int i = 0; i < count; ++i) {
        // A field without its terminating NUL is read to the field's end, never beyond.
        changes.push_back({std::string_view(keys[i], strnlen(keys[i], kFieldLength)),
                           std::string_view(values[i], strnlen(values[i], kFieldLength))});
    }
    return changes;
}

// The line end a rewritten piece keeps: its own, or none for a last line that had none.
std::string_view LineEndOfPiece(std::string_view piece) {
    return piece.substr(platform::WithoutLineEnd(piece).size());
}

// Writes one piece of the file to `content`: each change whose key it names (in input
// order) replaces it, ending as the piece ended, or, with an empty value, drops it; a piece
// no change names is kept byte for byte. Returns the code of the last change made, or 0.
int ApplyToPiece(std::string_view piece, std::vector<Change>& changes, std::string& content) {
    // Blanks and tabs in front of a key indent it (get_int_parameter finds it there too); a
    // replaced line keeps them. A line without any '=' names no key that a change could
    // match; nor does a line of only '='.
    const std::string_view line = platform::WithoutLineEnd(piece);
    const std::string_view indent = line.substr(0, line.find_first_not_of(" \t"));
    const KeyAndRest split = SplitKey(line.substr(indent.size()));
    const bool hasEquals = piece.find('=') != std::string_view::npos;
    int result = 0;
    for (Change& change : changes) {
        if (split.key.empty() || !hasEquals || change.key != split.key) {
            continue;
        }
        change.written = true;
        if (change.value.empty()) {
            result = kv::kDeleted;
            continue;
        }
        content.append(indent).append(split.key).append("=").append(change.value);
        content.append(LineEndOfPiece(piece));
        result = kv::kReplaced;
    }
    if (result == 0) {
        content += piece;
    }
    return result;
}

// The file's new content, and the writer's result code for it. Appended lines end as the
// file's lines do; a last line without a line end gets one only when a line follows it. A
// UTF-8 byte-order mark stays the file's first bytes, in front of the first line.
int ApplyChanges(std::string_view file, std::vector<Change>& changes, std::string& content) {
    int result = kv::kNothingChanged;
    const std::string_view lineEnd = platform::LineEndOf(file);
    const std::size_t bom = platform::Utf8BomLength(file);
    content.append(file.substr(0, bom));
    file.remove_prefix(bom);
    while (!file.empty()) {
        const std::size_t newline = file.substr(0, kPieceLength).find('\n');
        const std::size_t length =
            newline == std::string_view::npos ? std::min(file.size(), kPieceLength) : newline + 1;
        if (int changed = ApplyToPiece(file.substr(0, length), changes, content)) {
            result = changed;
        }
        file.remove_prefix(length);
    }
    for (const Change& change : changes) {
        if (!change.written && !change.value.empty()) {
            if (content.size() > bom && content.back() != '\n') {
                content += lineEnd;
            }
            content.append(change.key).append("=").append(change.value).append(lineEnd);
            result = kv::kAppended;
        }
    }
    return result;
}

// Puts `content` in place of the file; returns 0, or the failure code with its error text.
int Replace(const char* path, const std::string& content, char* errorText) {
    platform::ReplaceResult replaced = platform::ReplaceFile(path, content);
    switch (replaced.failed_step) {
        case platform::ReplaceStep::None:
            return 0;
        case platform::ReplaceStep::ReadOriginal:
            SetError(errorText, "Couldn't open file [%s] in read mode.", path);
            return kv::kCannotOpen;
        case platform::ReplaceStep::Remove:
            SetError(errorText, "Removing of the configuration file [%s] failed. Error Code : [%d]",
                     path, replaced.error);
            return kv::kUpdateFailed;
        case platform::ReplaceStep::Rename:
            SetError(errorText, "Renaming the temporary file failed. Error Code : [%d]",
                     replaced.error);
            return kv::kUpdateFailed;
        case platform::ReplaceStep::HardLinked:
        case platform::ReplaceStep::KeepOwner:
        case platform::ReplaceStep::CopyAttributes:
            SetError(errorText, "%s", replaced.reason.c_str());
            return kv::kUpdateFailed;
        default:  // the temporary file could not be created, written or flushed to disk
            SetError(errorText, "Couldn't open temporary file [%s] in write mode.",
                     replaced.temporary_path.c_str());
            return kv::kUpdateFailed;
    }
}

}  // namespace

int get_int_parameter(const char* path, const char* key, int* value) {
    File file = OpenForReading(path);
    if (!file) {
        return kv::kCannotOpen;
    }
    const std::string_view wanted = key ? key : "";
    std::string token;
    for (Token read; (read = ReadToken(file.get(), token)) != Token::End;) {
        KeyAndRest split = SplitKey(token);
        if (read == Token::TooLong || split.key.empty() || split.key != wanted) {
            continue;
        }
        // The value follows the run of '=' after the key and ends at the next '='.
        std::string_view rest = split.rest;
        rest.remove_prefix(std::min(rest.find_first_not_of('='), rest.size()));
        rest = rest.substr(0, rest.find('='));
        if (rest.empty()) {
            return kv::kNotFound;
        }
        *value = text::AtoiClamped(rest);
        return kv::kFound;
    }
    return kv::kNotFound;
}

int get_string_parameter(const char* path, const char* key, char* buffer, int capacity) {
    File file = OpenForReading(path);
    if (!file) {
        return kv::kCannotOpen;
    }
    const std::string_view wanted = key ? key : "";
    std::string piece;
    while (ReadPiece(file.get(), piece)) {
        KeyAndRest split = SplitKey(platform::WithoutLineEnd(piece));
        if (split.key.empty() || split.key != wanted) {
            continue;
        }
        if (split.rest.empty() || capacity <= 0 ||
            split.rest.size() >= static_cast<std::size_t>(capacity)) {
            return kv::kNotFound;
        }
        std::memcpy(buffer, split.rest.data(), split.rest.size());
        buffer[split.rest.size()] = '\0';
        return kv::kFound;
    }
    return kv::kNotFound;
}

int write_configuration_parameters(const char* path, const char keys[][40], const char values[][40],
                                   int count, char* errorText) {
    std::vector<Change> changes = ReadChanges(keys, values, count);
    std::string original, content;
    // Saving what was read before a read error would cut the file short.
    // A file that holds no 8-bit text would become a mix of encodings: it is not read.
    if (!platform::ReadTextFile(path, &original)) {
        SetError(errorText, "Couldn't open file [%s] in read mode.", path);
        return kv::kCannotOpen;
    }
    const int result = ApplyChanges(original, changes, content);
    // A file whose bytes would stay the same is not written at all.
    if (content == original) {
        return result;
    }
    int failed = Replace(path, content, errorText);
    return failed ? failed : result;
}
