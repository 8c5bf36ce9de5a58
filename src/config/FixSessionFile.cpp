#include "config/FixSessionFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <functional>
#include <utility>

#include "base/Text.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/AtomicReplace.h"
#include "platform/TextFile.h"

namespace fix_file {

namespace {

constexpr int kLineSize = 512;
constexpr const char* kBeginPrefix = "#BeginSession_";

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

// What an operation makes of the file's lines; `lineEnd` is the line end the file uses.
using ChangeFunction = std::function<Change(const std::vector<std::string>&, const std::string&)>;

// Reads the FIX file, lets `change` make the new content and puts it in place. Failures are
// logged with `texts` under `operation`.
Outcome Rewrite(const std::string& fixPath, const std::string& temporaryPath,
                const FailureTexts& texts, const char* operation, ActivityLog* log,
                const LogSite& site, const ChangeFunction& change) {
    std::vector<std::string> lines;
    std::string lineEnd;
    if (!ReadLines(fixPath, &lines, &lineEnd)) {
        LogAt(log, texts.readLevel, site, operation, Fmt(texts.readText, fixPath.c_str()));
        return Outcome::CannotRead;
    }
    const Change changed = change(lines, lineEnd);
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

bool StartsWithIgnoreCase(const std::string& text, const char* prefix) {
    const std::string_view head(prefix);
    return text.size() >= head.size() &&
           text::EqualsIgnoreCase(std::string_view(text).substr(0, head.size()), head);
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
size_t BlockEnd(const std::vector<std::string>& lines, size_t begin, const std::string& endMarker,
                bool* terminated) {
    *terminated = false;
    bool ownSession = false;
    for (size_t i = begin + 1; i < lines.size(); ++i) {
        if (text::EqualsIgnoreCase(lines[i], endMarker)) {
            *terminated = true;
            return i + 1;
        }
        if (StartsWithIgnoreCase(lines[i], kBeginPrefix)) {
            return i;
        }
        const std::string_view heading = HeadingName(lines[i]);
        if (!heading.empty()) {
            if (heading != "SESSION" || ownSession) {
                return i;
            }
            ownSession = true;
        }
    }
    return lines.size();
}

std::string Joined(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string content;
    for (const std::string& line : lines) {
        content += line + lineEnd;
    }
    return content;
}

// Whether a [SESSION] of the file has a TargetCompID whose user part (its first comma part,
// a decimal number) is `userId`, inside a block or not.
bool HasSessionOf(const std::vector<std::string>& lines, int userId) {
    bool inSession = false;
    for (const std::string& line : lines) {
        const std::string_view heading = HeadingName(line);
        if (!heading.empty()) {
            inSession = heading == "SESSION";
            continue;
        }
        const std::string_view whole(line);
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
    std::FILE* file = platform::OpenRegularFile(path);
    if (!file) {
        return false;
    }
    lines->clear();
    std::string content;
    char buffer[kLineSize];
    while (std::fgets(buffer, sizeof buffer, file)) {
        const std::string_view piece(buffer);
        if (lineEnd) {
            content += piece;
        }
        lines->emplace_back(platform::WithoutLineEnd(piece));
    }
    std::fclose(file);
    if (lineEnd) {
        *lineEnd = platform::LineEndOf(content);
    }
    return true;
}

ParsedLine ParseLine(const std::string& line) {
    char key[kLineSize] = "", part1[kLineSize] = "", part2[kLineSize] = "", part3[kLineSize] = "";
    ParsedLine parsed;
    parsed.count =
        std::sscanf(line.c_str(), "%511[^=]=%511[^,],%511[^,],%511s", key, part1, part2, part3);
    if (parsed.count < 0) {
        parsed.count = 0;
    }
    parsed.key = key;
    parsed.part1 = part1;
    parsed.part2 = part2;
    parsed.part3 = part3;
    return parsed;
}

int Recover(const std::string& fixPath, const std::string& temporaryPath, ActivityLog* log,
            const LogSite& site, const char* operation) {
    if (std::FILE* file = platform::OpenRegularFile(fixPath)) {
        std::fclose(file);
        return 0;
    }
    LogAt(log, LogLevel::SystemError, site, operation,
          Fmt("Couldn't open file [%s] in read mode.", fixPath.c_str()));
    std::FILE* temporary = platform::OpenRegularFile(temporaryPath);
    if (!temporary) {
        LogAt(log, LogLevel::SystemError, site, operation,
              "Temp file for Fix Config is not present");
        return 0;
    }
    std::fclose(temporary);
    struct stat present {};
    if (lstat(fixPath.c_str(), &present) == 0) {
        return 0;  // there, but not a file that can be read (a folder, FIFO, device): kept
    }
    if (std::rename(temporaryPath.c_str(), fixPath.c_str()) != 0) {
        LogAt(log, LogLevel::SystemError, site, operation,
              Fmt("Renaming the temporary file %s at %s failed. Error Code : [%d] ",
                  temporaryPath.c_str(), fixPath.c_str(), errno));
        return -1;
    }
    return 0;
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
    return Rewrite(
        fixPath, temporaryPath, kTexts, "OnBrokerIDLocalIPChanged", log, site,
        [&](const std::vector<std::string>& lines, const std::string& lineEnd) {
            Change change;
            for (const std::string& line : lines) {
                const ParsedLine parsed = ParseLine(line);
                if (text::EqualsIgnoreCase(parsed.key, "TargetCompID")) {
                    const char *user = parsed.part1.c_str(), *branch = parsed.part3.c_str();
                    change.content +=
                        Fmt("TargetCompID=%s,%s,%s", user, brokerId.c_str(), branch) + lineEnd;
                    change.notes.emplace_back(
                        LogLevel::Detail,
                        Fmt("TargetCompID=%s,%s,%s written in fix config file for "
                            "trader id %s",
                            user, brokerId.c_str(), branch, user));
                } else if (text::EqualsIgnoreCase(parsed.key, "NicIpAddress")) {
                    change.content += Fmt("NicIpAddress=%s", localIp.c_str()) + lineEnd;
                    change.notes.emplace_back(
                        LogLevel::Detail,
                        Fmt("NicIpAddress=%s written in fix config file", localIp.c_str()));
                } else {
                    change.content += line + lineEnd;
                }
            }
            return change;
        });
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

std::string WithoutBlock(const std::vector<std::string>& lines, const std::string& userIdText,
                         const std::string& lineEnd) {
    const std::string begin = kBeginPrefix + userIdText;
    const std::string end = "#EndSession_" + userIdText;
    std::string content;
    bool first = true;
    for (size_t i = 0; i < lines.size();) {
        if (text::EqualsIgnoreCase(lines[i], begin)) {
            bool terminated = false;
            i = BlockEnd(lines, i, end, &terminated);
            if (terminated && i < lines.size() && lines[i].empty()) {
                ++i;  // the separator in front of the next block
            }
            continue;
        }
        content += first ? lines[i] : lineEnd + lines[i];
        first = false;
        ++i;
    }
    return content;
}

Outcome DeleteUser(const std::string& fixPath, const std::string& temporaryPath,
                   const std::string& userIdText, ActivityLog* log, const LogSite& site) {
    static constexpr FailureTexts kTexts = {
        LogLevel::Activity, "Couldn't open FIX config file [%s] in read mode.", LogLevel::Event,
        "Couldn't open temporary FIX config file [%s] in write mode.", true};
    return Rewrite(fixPath, temporaryPath, kTexts, "OnButtonDelete", log, site,
                   [&](const std::vector<std::string>& lines, const std::string& lineEnd) {
                       return Change{WithoutBlock(lines, userIdText, lineEnd), {}, false};
                   });
}

Outcome AddUser(const std::string& fixPath, const std::string& temporaryPath, int userId,
                const std::string& targetCompId, ActivityLog* log, const LogSite& site) {
    const std::string begin = Fmt("#BeginSession_%d", userId);
    return Rewrite(fixPath, temporaryPath, kDialogTexts, "SaveFixConfigurationParameters", log,
                   site, [&](const std::vector<std::string>& lines, const std::string& lineEnd) {
                       Change change;
                       for (const std::string& line : lines) {
                           change.refused |= text::EqualsIgnoreCase(line, begin);
                       }
                       change.refused |= HasSessionOf(lines, userId);
                       const std::vector<std::string> block = {
                           "", begin, "[SESSION]", Fmt("TargetCompID=%s", targetCompId.c_str()),
                           Fmt("#EndSession_%d", userId)};
                       change.content = Joined(lines, lineEnd) + Joined(block, lineEnd);
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
        [&](const std::vector<std::string>& lines, const std::string& lineEnd) {
            Change change;
            for (size_t i = 0; i < lines.size();) {
                if (!text::EqualsIgnoreCase(lines[i], begin)) {
                    change.content += lines[i++] + lineEnd;
                    continue;
                }
                bool terminated = false;
                for (const size_t blockEnd = BlockEnd(lines, i, end, &terminated); i < blockEnd;
                     ++i) {
                    if (!IsKey(lines[i], "TargetCompID")) {
                        change.content += lines[i] + lineEnd;
                        continue;
                    }
                    change.content += Fmt("TargetCompID=%s", targetCompId.c_str()) + lineEnd;
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
                   site, [&](const std::vector<std::string>& lines, const std::string& lineEnd) {
                       Change change;
                       for (const std::string& line : lines) {
                           change.content += IsKey(line, "PersistMessages")
                                                 ? Fmt("PersistMessages=%s", value.c_str())
                                                 : line;
                           change.content += lineEnd;
                       }
                       return change;
                   });
}

}  // namespace fix_file
