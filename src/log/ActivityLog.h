#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace platform {
class Clock;
class SettingsStore;
}  // namespace platform

// ZEVO's own daily record of what it did: one line per event, written by every thread, to
// "<dir>/zevo.<date>.<time>.current.txt". Current files of earlier days take repository
// names at start-up and at each change of date; nothing is ever deleted.
class ActivityLog {
  public:
    // Reads the log directory from the machine's settings store and uses the system clock.
    ActivityLog();
    ActivityLog(const platform::SettingsStore& store, const platform::Clock& clock);
    // A log that writes no file and renames none: for what only looks (zevo-cli's read-only
    // commands), so that it never touches the files of the console's own log.
    struct NoFile {};
    explicit ActivityLog(NoFile);
    ~ActivityLog();
    ActivityLog(const ActivityLog&) = delete;
    ActivityLog& operator=(const ActivityLog&) = delete;

    void LogActivity(const char* message, const char* operation, const char* file, int line);
    void LogEvent(const char* message, const char* operation, const char* file, int line);
    void LogBusinessError(const char* message, const char* operation, const char* file, int line);
    void LogSystemError(const char* message, const char* operation, const char* file, int line);
    // A continuation line under the previous level line, indented by that level's name.
    void LogDetail(const char* message, const char* operation, const char* file, int line);

    // Called once per status cycle: at a change of date the current file takes its
    // repository name and the next line opens a file named with the new date.
    void RollOverIfNewDay();

    std::string Directory() const;
    std::string CurrentFilePath() const;

  private:
    void Start(const platform::SettingsStore& store);
    void WriteLine(const char* level, bool setsIndent, const char* message, const char* operation,
                   const char* file, int line);
    void WriteText(const std::string& text);  // lock held
    std::string Timestamp() const;
    std::string RepositoryPath(const std::string& fileName) const;
    bool OpenCurrentFile();                                   // lock held
    void RenameToRepository(const std::string& currentPath);  // reports a failure

    const platform::Clock& m_clock;
    std::string m_program = "zevo";
    std::string m_directory = ".";
    std::string m_date;
    std::string m_time;
    std::string m_currentPath;
    std::FILE* m_file = nullptr;
    bool m_discards = false;
    // A file that cannot be opened is said once on standard error and tried again at most
    // once a second (of the clock), not at every line.
    std::string m_failedOpenSecond;
    bool m_openFailureSaid = false;
    int m_detailIndent = 0;
    mutable std::mutex m_lock;
};

// Shorthands that stamp a line with the calling source file and line. A view built without
// an activity log (a null pointer) writes nothing.
#define ZEVO_LOG_ACTIVITY(log, operation, text)                                              \
    do {                                                                                     \
        if (ActivityLog* zevoLog_ = (log))                                                   \
            zevoLog_->LogActivity(std::string(text).c_str(), operation, __FILE__, __LINE__); \
    } while (0)
#define ZEVO_LOG_EVENT(log, operation, text)                                              \
    do {                                                                                  \
        if (ActivityLog* zevoLog_ = (log))                                                \
            zevoLog_->LogEvent(std::string(text).c_str(), operation, __FILE__, __LINE__); \
    } while (0)
#define ZEVO_LOG_SYSTEM_ERROR(log, operation, text)                                             \
    do {                                                                                        \
        if (ActivityLog* zevoLog_ = (log))                                                      \
            zevoLog_->LogSystemError(std::string(text).c_str(), operation, __FILE__, __LINE__); \
    } while (0)
#define ZEVO_LOG_DETAIL(log, operation, text)                                              \
    do {                                                                                   \
        if (ActivityLog* zevoLog_ = (log))                                                 \
            zevoLog_->LogDetail(std::string(text).c_str(), operation, __FILE__, __LINE__); \
    } while (0)
