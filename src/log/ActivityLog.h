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
    // A log for a run that may change nothing (a zevo-cli command): lines are held in memory
    // and reach the file, with the start-up step, only once the run keeps them; a run that
    // changes nothing leaves the log's folder untouched. Without a log folder named as an
    // absolute path in the store, nothing is ever written (never into the working
    // directory). `speaker` begins its messages on standard error.
    struct Held {
        std::string speaker;
    };
    ActivityLog(const platform::SettingsStore& store, Held held);
    // Writes the held lines; from here on lines go straight to the file.
    void Keep();
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
    void ReadDirectory(const platform::SettingsStore& store);
    void StartFiles();  // lock held

    std::string m_program = "zevo";
    std::string m_speaker = "zevo";  // who says the log's troubles on standard error
    bool m_holding = false;
    std::string m_held;
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
