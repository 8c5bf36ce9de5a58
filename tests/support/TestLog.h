#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "log/ActivityLog.h"
#include "platform/RegistryFile.h"
#include "support/TestSupport.h"

namespace testing_support {

// An activity log writing into its own temporary folder, with a way to read back its lines.
class TestLog {
  public:
    TestLog()
        : store_((WriteFile(dir_.File("log.reg"),
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\n\"ZEVO_LOG_FILES_PATH\"=\"" +
                                dir_.path() + "\"\n"),
                  dir_.File("log.reg"))),
          log_(std::make_unique<ActivityLog>(store_, platform::DefaultClock())) {}

    ActivityLog* get() { return log_.get(); }
    // "LEVEL|message" of every line written after start-up.
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const std::string& line : ReadLines(log_->CurrentFilePath())) {
            if (line.find('|') != std::string::npos) {
                out.push_back(line.substr(0, line.find('|', line.find('|') + 1)));
            }
        }
        return out;
    }
    // Lines equal to "LEVEL|message|file|operation".
    size_t CountLine(const std::string& expected) const {
        return CountLogLines(log_->CurrentFilePath(), expected);
    }
    size_t Count(const std::string& levelAndMessage) const {
        const auto lines = Lines();
        return std::count(lines.begin(), lines.end(), levelAndMessage);
    }

  private:
    TempDir dir_;
    platform::RegistryFileStore store_;
    std::unique_ptr<ActivityLog> log_;
};

}  // namespace testing_support
