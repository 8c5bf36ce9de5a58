#include "log/ActivityLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Settings.h"
#include "base/Text.h"
#include "log/Format.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

namespace {

constexpr std::size_t kLineBufferSize = settings::kLogLineLimit;
constexpr std::size_t kTimestampBufferSize = 1024;

std::string DateText(const platform::LocalTime& t) {
    return FmtN(kLineBufferSize, "%04d%02d%02d", t.year, t.month, t.day);
}

std::string TimeText(const platform::LocalTime& t) {
    return FmtN(kLineBufferSize, "%02d%02d%02d", t.hour, t.minute, t.second);
}

// The first three dot-separated parts of a file name, read as "%[^.].%[^.].%[^.]" reads
// them: each part a non-empty run of characters other than '.', missing parts empty.
void NameParts(const std::string& name, std::string parts[3]) {
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = name.find('.', pos);
        if (end == pos) {
            return;
        }
        parts[i] = name.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (end == std::string::npos) {
            return;
        }
        pos = end + 1;
    }
}

}  // namespace

ActivityLog::ActivityLog()
    : ActivityLog(platform::DefaultSettingsStore(), platform::DefaultClock()) {}

ActivityLog::ActivityLog(const platform::SettingsStore& store, const platform::Clock& clock)
    : clock_(clock) {
    Start(store);
}

ActivityLog::~ActivityLog() {
    std::lock_guard<std::mutex> guard(lock_);
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void ActivityLog::Start(const platform::SettingsStore& store) {
    platform::LocalTime now = clock_.Now();
    date_ = DateText(now);
    time_ = TimeText(now);

    if (auto key = store.OpenKey(settings::kRoot)) {
        std::string directory;
        if (platform::QueryString(*key, settings::kLogFilesPath, kLineBufferSize, &directory)) {
            directory_ = directory;
        }
    }

    std::string todays;
    auto found = platform::FindFiles(directory_, program_ + "." + date_ + ".*.current.txt");
    if (!found.empty()) {
        todays = found.front();
    }
    for (const std::string& name : platform::FindFiles(directory_, "*.current.txt")) {
        if (!text::EqualsIgnoreCase(name, todays)) {
            RenameToRepository(directory_ + "/" + name);
        }
    }

    std::lock_guard<std::mutex> guard(lock_);
    WriteText("\nLogger object initialized.\n");
}

std::string ActivityLog::RepositoryPath(const std::string& fileName) const {
    std::string parts[3];
    NameParts(fileName, parts);
    return FmtN(kLineBufferSize, "%s/%s.%s.%s.repository.txt", directory_.c_str(), parts[0].c_str(),
                parts[1].c_str(), parts[2].c_str());
}

std::string ActivityLog::Timestamp() const {
    platform::LocalTime t = clock_.Now();
    return FmtN(kTimestampBufferSize, "%s, %s %d, %d, %d:%d:%d.%d", kWeekdayNames[t.weekday % 7],
                kMonthNames[(t.month + 11) % 12], t.day, t.year, t.hour, t.minute, t.second,
                t.millisecond);
}

void ActivityLog::LogActivity(const char* message, const char* operation, const char* file,
                              int line) {
    WriteLine("ACTIVITY", true, message, operation, file, line);
}

void ActivityLog::LogEvent(const char* message, const char* operation, const char* file, int line) {
    WriteLine("EVENT", true, message, operation, file, line);
}

void ActivityLog::LogBusinessError(const char* message, const char* operation, const char* file,
                                   int line) {
    WriteLine("BUSINESS_ERROR", true, message, operation, file, line);
}

void ActivityLog::LogSystemError(const char* message, const char* operation, const char* file,
                                 int line) {
    WriteLine("SYSTEM_ERROR", true, message, operation, file, line);
}

void ActivityLog::LogDetail(const char* message, const char* operation, const char* file,
                            int line) {
    WriteLine(nullptr, false, message, operation, file, line);
}

void ActivityLog::WriteLine(const char* level, bool setsIndent, const char* message,
                            const char* operation, const char* file, int line) {
    std::lock_guard<std::mutex> guard(lock_);
    std::string first = level ? level : std::string(static_cast<size_t>(detailIndent_), ' ');
    std::string text = first + "|" + (message ? message : "") + "|" +
                       platform::BaseName(file ? file : "") + "|" + (operation ? operation : "") +
                       "|" + std::to_string(line) + "|" + Timestamp() + "\n";
    // A carriage return that came with a value read from a file would make an editor or a
    // terminal show the line overwritten; the log never holds one.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    // A line that would overflow the line buffer is cut and still ends with its line feed.
    if (text.size() > kLineBufferSize - 1) {
        text.resize(kLineBufferSize - 2);
        text += '\n';
    }
    if (setsIndent) {
        detailIndent_ = static_cast<int>(std::strlen(level));
    }
    WriteText(text);
}

void ActivityLog::WriteText(const std::string& text) {
    if (!file_ && !OpenCurrentFile()) {
        return;  // the line is lost
    }
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

bool ActivityLog::OpenCurrentFile() {
    const platform::LocalTime now = clock_.Now();
    const std::string second = DateText(now) + TimeText(now);
    if (second == failedOpenSecond_) {
        return false;  // tried in this second already
    }
    auto found = platform::FindFiles(directory_, program_ + "." + date_ + ".*.current.txt");
    currentPath_ = found.empty()
                       ? FmtN(kLineBufferSize, "%s/%s.%s.%s.current.txt", directory_.c_str(),
                              program_.c_str(), date_.c_str(), time_.c_str())
                       : directory_ + "/" + found.front();
    file_ = std::fopen(currentPath_.c_str(), "a+");
    if (!file_) {
        failedOpenSecond_ = second;
        if (!openFailureSaid_) {
            std::fprintf(stderr, "%s: cannot open the activity log %s: %s; its lines are lost\n",
                         program_.c_str(), currentPath_.c_str(), std::strerror(errno));
            openFailureSaid_ = true;
        }
        return false;
    }
    if (openFailureSaid_) {
        std::fprintf(stderr, "%s: the activity log %s is written again\n", program_.c_str(),
                     currentPath_.c_str());
        openFailureSaid_ = false;
    }
    failedOpenSecond_.clear();
    return true;
}

void ActivityLog::RenameToRepository(const std::string& currentPath) {
    const std::string repository = RepositoryPath(platform::BaseName(currentPath));
    if (!platform::RenameNoReplace(currentPath, repository)) {
        std::fprintf(stderr, "%s: cannot rename the activity log %s to %s: %s\n", program_.c_str(),
                     currentPath.c_str(), repository.c_str(), std::strerror(errno));
    }
}

void ActivityLog::RollOverIfNewDay() {
    platform::LocalTime now = clock_.Now();
    std::string today = DateText(now);
    std::lock_guard<std::mutex> guard(lock_);
    if (text::EqualsIgnoreCase(today, date_)) {
        return;
    }
    date_ = today;
    time_ = TimeText(now);
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    RenameToRepository(currentPath_);
}

std::string ActivityLog::Directory() const {
    std::lock_guard<std::mutex> guard(lock_);
    return directory_;
}

std::string ActivityLog::CurrentFilePath() const {
    std::lock_guard<std::mutex> guard(lock_);
    return currentPath_;
}
