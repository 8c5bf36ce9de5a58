// The activity log's start-up scan of its folder: files with any names (one per input line)
// lie in the log folder when the log starts, and earlier days' current files take their
// repository names. Nothing outside the folder is touched and no file is lost.
#include <dirent.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "FuzzFiles.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

namespace {

class FolderKey final : public platform::SettingsKey {
  public:
    explicit FolderKey(std::string folder) : folder_(std::move(folder)) {}
    long QueryValue(const char* name, void* buffer, std::uint32_t* size) const override {
        if (std::strcmp(name, "ZEVO_LOG_FILES_PATH") != 0) {
            return platform::kSettingsNotFound;
        }
        if (folder_.size() + 1 > *size) {
            return platform::kSettingsMoreData;
        }
        std::memcpy(buffer, folder_.c_str(), folder_.size() + 1);
        *size = static_cast<std::uint32_t>(folder_.size() + 1);
        return platform::kSettingsSuccess;
    }

  private:
    std::string folder_;
};

class FolderStore final : public platform::SettingsStore {
  public:
    explicit FolderStore(std::string folder) : folder_(std::move(folder)) {}
    std::unique_ptr<platform::SettingsKey> OpenKey(const std::string&) const override {
        return std::make_unique<FolderKey>(folder_);
    }

  private:
    std::string folder_;
};

class FixedClock final : public platform::Clock {
  public:
    explicit FixedClock(platform::LocalTime time) : time_(time) {}
    platform::LocalTime Now() const override { return time_; }
    std::int64_t UnixSeconds() const override { return 1772460309; }

  private:
    platform::LocalTime time_;
};

std::size_t CountFiles(const std::string& folder) {
    std::size_t count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                ++count;
            }
        }
        closedir(dir);
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    platform::LocalTime now;
    now.year = input.ConsumeIntegralInRange<int>(1970, 2100);
    now.month = input.ConsumeIntegralInRange<int>(1, 12);
    now.day = input.ConsumeIntegralInRange<int>(1, 31);
    now.weekday = input.ConsumeIntegralInRange<int>(0, 6);
    now.hour = input.ConsumeIntegralInRange<int>(0, 23);
    const std::string pattern = input.ConsumeRandomLengthString(40);
    const std::string names = input.ConsumeRemainingBytesAsString();

    const std::string& folder = fuzz_files::Folder();
    std::set<std::string> made;
    std::size_t start = 0;
    while (start <= names.size() && made.size() < 16) {
        std::size_t end = names.find('\n', start);
        if (end == std::string::npos) {
            end = names.size();
        }
        std::string name = names.substr(start, std::min<std::size_t>(end - start, 200));
        start = end + 1;
        for (char& c : name) {
            if (c == '/' || c == '\0') {
                c = '_';
            }
        }
        if (name.empty() || name == "." || name == "..") {
            continue;
        }
        platform::WildcardMatch(pattern, name);
        platform::WildcardMatch("*.current.txt", name);
        if (fuzz_files::Write(folder + "/" + name, name)) {
            made.insert(name);
        }
    }

    {
        const FolderStore store(folder);
        const FixedClock clock(now);
        ActivityLog log(store, clock);
        log.LogActivity("Attempting to connect...", "Fuzz", __FILE__, __LINE__);
        log.RollOverIfNewDay();
    }
    if (CountFiles(folder) < made.size()) {
        __builtin_trap();  // renaming to repository names never loses a file
    }
    fuzz_files::Empty(folder);
    return 0;
}
