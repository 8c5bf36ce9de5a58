#include "config/FixSessionFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <functional>
#include <string_view>
#include <utility>

#include "base/Text.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/AtomicReplace.h"
#include "platform/TextFile.h"

namespace fix_file {

namespace {

constexpr const char* kBeginPrefix = "#BeginSession_";

// One line of the file: its bytes before the line end (of any length, NUL bytes included)
// and its own line end: "\r\n", "\n", or none for a last line without one.
struct Line {
    std::string text;
    std::string end;
};
using Lines = std::vector<Line>;

// Reads the file as text: a UTF-16 file (or one of mostly NUL bytes) cannot be read, and a
// UTF-8 byte-order mark is no part of the first line; it goes to `bom`, for a rewrite to put
// back in front.
bool ReadWhole(const std::string& path, std::string* content, std::string* bom = nullptr) {
    if (!platform::ReadTextFile(path, content)) {
        return false;
    }
    const std::size_t mark = platform::Utf8BomLength(*content);
    if (bom) {
        *bom = content->substr(0, mark);
    }
    content->erase(0, mark);
    return true;
}

// The file's lines, split at LF only: a CR is part of the line end only in front of the LF.
Lines SplitLines(std::string_view content) {
    Lines lines;
    while (!content.empty()) {
        const std::size_t newline = content.find('\n');
        const std::size_t length = newline == std::string_view::npos ? content.size() : newline + 1;
        const std::string_view whole = content.substr(0, length);
        const std::string_view text = platform::WithoutLineEnd(whole);
        lines.push_back({std::string(text), std::string(whole.substr(text.size()))});
        content.remove_prefix(length);
    }
    return lines;
}

// The line end a line keeps when the operation ends the file with a line end (add, edit,
// PersistMessages): its own, or the file's for a last line without one.
const std::string& EndOrFilesEnd(const Line& line, const std::string& lineEnd) {
    return line.end.empty() ? lineEnd : line.end;
}

// Lines logged once the new content is complete in the temporary file, in order.
using Notes = std::vector<std::pair<LogLevel, std::string>>;

// What an operation makes of the file's lines.
struct Change {
    std::string content;
    Notes notes;
    bool refused = false;
};

// The texts an operation logs when a step of its rewrite fails.
struct FailureTexts {
    LogLevel readLevel;
    const char* readText;  // %s: the FIX path
    LogLevel writeLevel;
    const char* writeText;  // %s: the temporary path
    bool renameNamesTemporary;
};

constexpr FailureTexts kDialogTexts = {
    LogLevel::SystemError, "Couldn't open file [%s] in read mode.", LogLevel::SystemError,
    "Couldn't open temporary file [%s] in write mode.", true};

std::string RenameText(const FailureTexts& texts, const std::string& fixPath,
                       const std::string& temporaryPath, int error) {
    if (texts.renameNamesTemporary) {
        return Fmt("Renaming the temporary file %s at %s failed. Error Code : [%d] ",
                   temporaryPath.c_str(), fixPath.c_str(), error);
    }
    return Fmt("Renaming the temporary file at %s failed. Error Code : [%d] ", fixPath.c_str(),
               error);
}

// What an operation makes of the file's lines; `lineEnd` is the line end the file uses, which
// the lines it adds take.
using ChangeFunction = std::function<Change(const Lines&, const std::string&)>;

// Reads the FIX file, lets `change` make the new content and puts it in place. Failures are
// logged with `texts` under `operation`.
Outcome Rewrite(const std::string& fixPath, const std::string& temporaryPath,
                const FailureTexts& texts, const char* operation, ActivityLog* log,
                const LogSite& site, const ChangeFunction& change) {
    std::string content, bom;
    if (!ReadWhole(fixPath, &content, &bom)) {
        LogAt(log, texts.readLevel, site, operation, Fmt(texts.readText, fixPath.c_str()));
        if (const std::string why = platform::WhyNotEditableText(fixPath); !why.empty()) {
            LogAt(log, texts.readLevel, site, operation, fixPath + ": " + why);
        }
        return Outcome::CannotRead;
    }
    Change changed = change(SplitLines(content), std::string(platform::LineEndOf(content)));
    changed.content.insert(0, bom);
    if (changed.refused) {
        return Outcome::Duplicate;
    }
    platform::ReplaceOptions options;
    options.temporary_path = temporaryPath;
    options.keep_temporary_after_failed_rename = true;
    const platform::ReplaceResult result = platform::ReplaceFile(fixPath, changed.content, options);
    // The name actually used: beside the file a symbolic link points to, for a link.
    const std::string& temporary =
        result.temporary_path.empty() ? temporaryPath : result.temporary_path;
    if (result.failed_step == platform::ReplaceStep::Remove) {
        LogAt(log, LogLevel::SystemError, site, operation,
              Fmt("Removing of the configuration file [%s] failed. Error Code : [%d] ",
                  fixPath.c_str(), result.error));
        return Outcome::RemoveFailed;
    }
    if (!result.reason.empty()) {  // hard links, an owner that cannot be kept, attributes
        LogAt(log, LogLevel::SystemError, site, operation, result.reason);
        return Outcome::CannotWrite;
    }
    if (!result.ok() && result.failed_step != platform::ReplaceStep::Rename) {
        LogAt(log, texts.writeLevel, site, operation, Fmt(texts.writeText, temporary.c_str()));
        return Outcome::CannotWrite;
    }
    for (const auto& [level, text] : changed.notes) {
        LogAt(log, level, site, operation, text);
    }
    if (!result.ok()) {
        LogAt(log, LogLevel::SystemError, site, operation,
              RenameText(texts, fixPath, temporary, result.error));
        return Outcome::RenameFailed;
    }
    return Outcome::Written;
}

bool StartsWithIgnoreCase(std::string_view text, const char* prefix) {
    const std::string_view head(prefix);
    return text.size() >= head.size() && text::EqualsIgnoreCase(text.substr(0, head.size()), head);
}

// The name of a section heading as the FIX engine reads it ("[SESSION]", "[DEFAULT]"; blanks
// around the line and around the name do not count); empty for any other line.
std::string_view HeadingName(std::string_view line) {
    line = text::Trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
        return {};
    }
    return text::Trim(line.substr(1, line.size() - 2));
}

// The end (one past the last line) of the block that begins at `begin`. A block ends with
// its end marker. Before that, the next begin marker or a section heading other than the
// block's own first [SESSION] ends it, just before that line: what follows is another
// session (or the engine's defaults) to the FIX engine, and never taken for the block.
// Otherwise it runs to the end of the file.
size_t BlockEnd(const Lines& lines, size_t begin, const std::string& endMarker, bool* terminated) {
    *terminated = false;
    bool ownSession = false;
    for (size_t i = begin + 1; i < lines.size(); ++i) {
        if (text::EqualsIgnoreCase(lines[i].text, endMarker)) {
            *terminated = true;
            return i + 1;
        }
        if (StartsWithIgnoreCase(lines[i].text, kBeginPrefix)) {
            return i;
        }
        const std::string_view heading = HeadingName(lines[i].text);
        if (!heading.empty()) {
            if (heading != "SESSION" || ownSession) {
                return i;
            }
            ownSession = true;
        }
    }
    return lines.size();
}

// Whether a line of the file is the begin marker "#BeginSession_<userIdText>".
bool HasBeginMarker(const Lines& lines, const std::string& userIdText) {
    const std::string begin = kBeginPrefix + userIdText;
    for (const Line& line : lines) {
        if (text::EqualsIgnoreCase(line.text, begin)) {
            return true;
        }
    }
    return false;
}

// Whether a [SESSION] of the file has a TargetCompID whose user part (its first comma part,
// a decimal number) is `userId`, inside a block or not.
bool HasSessionOf(const Lines& lines, int userId) {
    bool inSession = false;
    for (const Line& line : lines) {
        const std::string_view heading = HeadingName(line.text);
        if (!heading.empty()) {
            inSession = heading == "SESSION";
            continue;
        }
        const std::string_view whole(line.text);
        const size_t equals = whole.find('=');
        if (!inSession || equals == std::string_view::npos ||
            !text::EqualsIgnoreCase(text::Trim(whole.substr(0, equals)), "TargetCompID")) {
            continue;
        }
        std::string_view user = text::TrimLeft(whole.substr(equals + 1));
        user = text::TrimRight(user.substr(0, user.find(',')));
        long long number = -1;
        const auto [end, error] = std::from_chars(user.data(), user.data() + user.size(), number);
        if (!user.empty() && user.front() != '-' && error == std::errc() &&
            end == user.data() + user.size() && number == userId) {
            return true;
        }
    }
    return false;
}

bool IsKey(const std::string& line, const char* key) {
    return text::EqualsIgnoreCase(ParseLine(line).key, key);
}

// Every TargetCompID line with the broker ID `brokerId`, the NicIpAddress line with the
// address `localIp`, each ending as the line it replaces; every other line as it was.
Change WithBrokerIdAndLocalIp(const Lines& lines, const std::string& brokerId,
                              const std::string& localIp) {
    Change change;
    for (const Line& line : lines) {
        const ParsedLine parsed = ParseLine(line.text);
        if (text::EqualsIgnoreCase(parsed.key, "TargetCompID")) {
            change.content += "TargetCompID=" + parsed.part1 + "," + brokerId + "," + parsed.part3;
            const char *user = parsed.part1.c_str(), *branch = parsed.part3.c_str();
            change.notes.emplace_back(LogLevel::Detail,
                                      Fmt("TargetCompID=%s,%s,%s written in fix config file for "
                                          "trader id %s",
                                          user, brokerId.c_str(), branch, user));
        } else if (text::EqualsIgnoreCase(parsed.key, "NicIpAddress")) {
            change.content += "NicIpAddress=" + localIp;
            change.notes.emplace_back(
                LogLevel::Detail,
                Fmt("NicIpAddress=%s written in fix config file", localIp.c_str()));
        } else {
            change.content += line.text;
        }
        change.content += line.end;
    }
    return change;
}

// The file without the block whose begin marker is "#BeginSession_<userIdText>" (compared
// without regard to case) and without the empty line that follows its end marker. Kept
// lines keep their own line ends, except that the file ends without one after its last line.
std::string WithoutBlock(const Lines& lines, const std::string& userIdText) {
    const std::string begin = kBeginPrefix + userIdText;
    const std::string end = "#EndSession_" + userIdText;
    std::string content;
    std::string_view separator;  // the line end of the line kept last
    for (size_t i = 0; i < lines.size();) {
        if (text::EqualsIgnoreCase(lines[i].text, begin)) {
            bool terminated = false;
            i = BlockEnd(lines, i, end, &terminated);
            if (terminated && i < lines.size() && lines[i].text.empty()) {
                ++i;  // the separator in front of the next block
            }
            continue;
        }
        content.append(separator).append(lines[i].text);
        separator = lines[i].end;
        ++i;
    }
    return content;
}

}  // namespace

std::string TemporaryPath(const std::string& fixPath, int marketType) {
    const auto slash = fixPath.rfind('/');
    const std::string title = slash == std::string::npos ? fixPath : fixPath.substr(slash + 1);
    const char* market = MarketName(marketType);
    if (title.empty() || !market) {
        return {};
    }
    const std::string folder = slash == std::string::npos ? "." : fixPath.substr(0, slash);
    return Fmt("%s/temp_QEL_FIX_%s.cfg", folder.c_str(), market);
}

bool ReadLines(const std::string& path, std::vector<std::string>* lines, std::string* lineEnd) {
    std::string content;
    if (!ReadWhole(path, &content)) {
        return false;
    }
    lines->clear();
    for (Line& line : SplitLines(content)) {
        lines->push_back(std::move(line.text));
    }
    if (lineEnd) {
        *lineEnd = platform::LineEndOf(content);
    }
    return true;
}

ParsedLine ParseLine(const std::string& line) {
    // No field is longer than the line: fields of its size never cut one.
    std::vector<char> key(line.size() + 1), part1(key.size()), part2(key.size()), part3(key.size());
    ParsedLine parsed;
    parsed.count = std::sscanf(line.c_str(), "%[^=]=%[^,],%[^,],%s", key.data(), part1.data(),
                               part2.data(), part3.data());
    if (parsed.count < 0) {
        parsed.count = 0;
    }
    parsed.key = key.data();
    parsed.part1 = part1.data();
    parsed.part2 = part2.data();
    parsed.part3 = part3.data();
    return parsed;
}

int Recover(const std::string& fixPath, const std::string& temporaryPath, ActivityLog* log,
            const LogSite& site, const char* operation) {
    if (std::FILE* file = platform::OpenRegularFile(fixPath)) {
        std::fclose(file);
        return kRecovered;
    }
    LogAt(log, LogLevel::SystemError, site, operation,
          Fmt("Couldn't open file [%s] in read mode.", fixPath.c_str()));
    std::FILE* temporary = platform::OpenRegularFile(temporaryPath);
    if (!temporary) {
        LogAt(log, LogLevel::SystemError, site, operation,
              "Temp file for Fix Config is not present");
        return kRecovered;
    }
    std::fclose(temporary);
    struct stat present {};
    if (lstat(fixPath.c_str(), &present) == 0) {
        return kRecovered;  // there, but not a file that can be read (a folder, FIFO, device): kept
    }
    if (std::rename(temporaryPath.c_str(), fixPath.c_str()) != 0) {
        LogAt(log, LogLevel::SystemError, site, operation,
              Fmt("Renaming the temporary file %s at %s failed. Error Code : [%d] ",
                  temporaryPath.c_str(), fixPath.c_str(), errno));
        return kRecoveryFailed;
    }
    return kRecovered;
}

int OpenFixUsers(int marketType, const std::string& configPath, const std::string& fixPath,
                 std::uint16_t interactivePort, ActivityLog* log, const LogSite& site) {
    const char* const op = "CFixUserSessions";
    LogAt(log, LogLevel::Activity, site, op,
          Fmt("Market type for dialog is %d - %s", marketType, MarketNameOrEmpty(marketType)));
    LogAt(log, LogLevel::Activity, site, op,
          Fmt("QEL Config file path is - %s", configPath.c_str()));
    LogAt(log, LogLevel::Activity, site, op, Fmt("FIX Config file path is - %s", fixPath.c_str()));
    LogAt(log, LogLevel::Activity, site, op,
          Fmt("Interface thread interactive port is  %u", interactivePort));
    return Recover(fixPath, TemporaryPath(fixPath, marketType), log, site, op);
}

Outcome ChangeBrokerIdAndLocalIp(const std::string& fixPath, const std::string& temporaryPath,
                                 const std::string& brokerId, const std::string& localIp,
                                 ActivityLog* log, const LogSite& site) {
    static constexpr FailureTexts kTexts = {
        LogLevel::SystemError, "Couldn't open file [%s] in read mode.", LogLevel::SystemError,
        "Couldn't open temporary file %s in write mode.", false};
    return Rewrite(fixPath, temporaryPath, kTexts, "OnBrokerIDLocalIPChanged", log, site,
                   [&](const Lines& lines, const std::string&) {
                       return WithBrokerIdAndLocalIp(lines, brokerId, localIp);
                   });
}

bool BrokerIdAndLocalIpAgree(const std::string& fixPath, const std::string& brokerId,
                             const std::string& localIp, bool* agree) {
    std::string content;
    if (!ReadWhole(fixPath, &content)) {
        return false;
    }
    *agree = WithBrokerIdAndLocalIp(SplitLines(content), brokerId, localIp).content == content;
    return true;
}

bool ListUsers(const std::string& fixPath, std::vector<FixUser>* users) {
    std::vector<std::string> lines;
    if (!ReadLines(fixPath, &lines)) {
        return false;
    }
    users->clear();
    for (const std::string& line : lines) {
        const ParsedLine parsed = ParseLine(line);
        if (parsed.count == 4 && text::EqualsIgnoreCase(parsed.key, "TargetCompID")) {
            users->push_back({parsed.part1, parsed.part2, parsed.part3});
        }
    }
    return true;
}

Outcome DeleteUser(const std::string& fixPath, const std::string& temporaryPath,
                   const std::string& userIdText, ActivityLog* log, const LogSite& site) {
    static constexpr FailureTexts kTexts = {
        LogLevel::Activity, "Couldn't open FIX config file [%s] in read mode.", LogLevel::Event,
        "Couldn't open temporary FIX config file [%s] in write mode.", true};
    return Rewrite(fixPath, temporaryPath, kTexts, "OnButtonDelete", log, site,
                   [&](const Lines& lines, const std::string&) {
                       return Change{WithoutBlock(lines, userIdText), {}, false};
                   });
}

BlockLookup FindBlock(const std::string& fixPath, const std::string& userIdText) {
    std::string content;
    if (!ReadWhole(fixPath, &content)) {
        return BlockLookup::CannotRead;
    }
    return HasBeginMarker(SplitLines(content), userIdText) ? BlockLookup::Found
                                                           : BlockLookup::Missing;
}

Outcome AddUser(const std::string& fixPath, const std::string& temporaryPath, int userId,
                const std::string& targetCompId, ActivityLog* log, const LogSite& site) {
    const std::string id = std::to_string(userId);
    return Rewrite(fixPath, temporaryPath, kDialogTexts, "SaveFixConfigurationParameters", log,
                   site, [&](const Lines& lines, const std::string& lineEnd) {
                       Change change;
                       change.refused = HasBeginMarker(lines, id) || HasSessionOf(lines, userId);
                       for (const Line& line : lines) {
                           change.content.append(line.text).append(EndOrFilesEnd(line, lineEnd));
                       }
                       const std::string block[] = {"", kBeginPrefix + id, "[SESSION]",
                                                    "TargetCompID=" + targetCompId,
                                                    "#EndSession_" + id};
                       for (const std::string& added : block) {
                           change.content.append(added).append(lineEnd);
                       }
                       change.notes.emplace_back(
                           LogLevel::Activity,
                           Fmt("New Session added for Trader ID %d in FIX config file.", userId));
                       return change;
                   });
}

Outcome EditUser(const std::string& fixPath, const std::string& temporaryPath, int userId,
                 const std::string& targetCompId, ActivityLog* log, const LogSite& site) {
    const std::string begin = Fmt("#BeginSession_%d", userId);
    const std::string end = Fmt("#EndSession_%d", userId);
    return Rewrite(
        fixPath, temporaryPath, kDialogTexts, "SaveFixConfigurationParameters", log, site,
        [&](const Lines& lines, const std::string& lineEnd) {
            Change change;
            size_t blockEnd = 0;  // one past the block of the user last found
            for (size_t i = 0; i < lines.size(); ++i) {
                bool terminated = false;
                if (text::EqualsIgnoreCase(lines[i].text, begin)) {
                    blockEnd = BlockEnd(lines, i, end, &terminated);
                }
                const bool replaced = i < blockEnd && IsKey(lines[i].text, "TargetCompID");
                change.content += replaced ? "TargetCompID=" + targetCompId : lines[i].text;
                change.content += EndOrFilesEnd(lines[i], lineEnd);
                if (replaced) {
                    change.notes.emplace_back(
                        LogLevel::Activity,
                        Fmt("TargetCompID=%s set for Trader ID %d", targetCompId.c_str(), userId));
                }
            }
            return change;
        });
}

Outcome SetPersistMessages(const std::string& fixPath, const std::string& temporaryPath,
                           const std::string& value, ActivityLog* log, const LogSite& site) {
    return Rewrite(fixPath, temporaryPath, kDialogTexts, "SaveFixConfigurationParameters", log,
                   site, [&](const Lines& lines, const std::string& lineEnd) {
                       Change change;
                       for (const Line& line : lines) {
                           change.content += IsKey(line.text, "PersistMessages")
                                                 ? "PersistMessages=" + value
                                                 : line.text;
                           change.content += EndOrFilesEnd(line, lineEnd);
                       }
                       return change;
                   });
}

}  // namespace fix_file
