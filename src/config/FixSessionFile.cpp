#include "config/FixSessionFile.h"

#include <cerrno>
#include <cstdio>

#include "core/MarketType.h"
#include "core/Text.h"
#include "log/Format.h"
#include "platform/AtomicReplace.h"

namespace fix_file {

namespace {

constexpr int kLineSize = 512;

// Replaces the FIX file with `content` through the FIX temporary file. A failed rename keeps
// the temporary file, whose content is complete.
platform::ReplaceResult Replace(const std::string& fixPath, const std::string& temporaryPath,
                                const std::string& content) {
    platform::ReplaceOptions options;
    options.temporary_path = temporaryPath;
    options.keep_temporary_after_failed_rename = true;
    return platform::ReplaceFile(fixPath, content, options);
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

bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        return false;
    }
    lines->clear();
    char buffer[kLineSize];
    while (std::fgets(buffer, sizeof buffer, file)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        lines->push_back(std::move(line));
    }
    std::fclose(file);
    return true;
}

ParsedLine ParseLine(const std::string& line) {
    char key[kLineSize] = "", part1[kLineSize] = "", part2[kLineSize] = "", part3[kLineSize] = "";
    ParsedLine parsed;
    parsed.count = std::sscanf(line.c_str(), "%511[^=]=%511[^,],%511[^,],%511s", key, part1, part2, part3);
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
    if (std::FILE* file = std::fopen(fixPath.c_str(), "r")) {
        std::fclose(file);
        return 0;
    }
    LogAt(log, LogLevel::SystemError, site, operation,
          Fmt("Couldn't open file [%s] in read mode.", fixPath.c_str()));
    std::FILE* temporary = std::fopen(temporaryPath.c_str(), "r");
    if (!temporary) {
        LogAt(log, LogLevel::SystemError, site, operation, "Temp file for Fix Config is not present");
        return 0;
    }
    std::fclose(temporary);
    if (std::rename(temporaryPath.c_str(), fixPath.c_str()) != 0) {
        LogAt(log, LogLevel::SystemError, site, operation,
              Fmt("Renaming the temporary file %s at %s failed. Error Code : [%d] ", temporaryPath.c_str(),
                  fixPath.c_str(), errno));
        return -1;
    }
    return 0;
}

void ChangeBrokerIdAndLocalIp(const std::string& fixPath, const std::string& temporaryPath,
                              const std::string& brokerId, const std::string& localIp,
                              ActivityLog* log, const LogSite& site) {
    const char* const op = "OnBrokerIDLocalIPChanged";
    std::vector<std::string> lines;
    if (!ReadLines(fixPath, &lines)) {
        LogAt(log, LogLevel::SystemError, site, op, Fmt("Couldn't open file [%s] in read mode.", fixPath.c_str()));
        return;
    }
    std::string content;
    for (const std::string& line : lines) {
        const ParsedLine parsed = ParseLine(line);
        if (text::EqualsIgnoreCase(parsed.key, "TargetCompID")) {
            content += Fmt("TargetCompID=%s,%s,%s\n", parsed.part1.c_str(), brokerId.c_str(), parsed.part3.c_str());
            LogAt(log, LogLevel::Detail, site, op,
                  Fmt("TargetCompID=%s,%s,%s written in fix config file for trader id %s", parsed.part1.c_str(),
                      brokerId.c_str(), parsed.part3.c_str(), parsed.part1.c_str()));
        } else if (text::EqualsIgnoreCase(parsed.key, "NicIpAddress")) {
            content += Fmt("NicIpAddress=%s\n", localIp.c_str());
            LogAt(log, LogLevel::Detail, site, op, Fmt("NicIpAddress=%s written in fix config file", localIp.c_str()));
        } else {
            content += line + "\n";
        }
    }
    const platform::ReplaceResult result = Replace(fixPath, temporaryPath, content);
    if (result.failed_step == platform::ReplaceStep::Rename) {
        LogAt(log, LogLevel::SystemError, site, op,
              Fmt("Renaming the temporary file at %s failed. Error Code : [%d] ", fixPath.c_str(), result.error));
    } else if (!result.ok()) {
        LogAt(log, LogLevel::SystemError, site, op,
              Fmt("Couldn't open temporary file %s in write mode.", temporaryPath.c_str()));
    }
}

}  // namespace fix_file
