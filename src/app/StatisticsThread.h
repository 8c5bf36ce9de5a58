#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/WorkerThread.h"
#include "views/StatisticsFile.h"

class ActivityLog;
namespace platform {
class SettingsStore;
}

// The statistics thread: reads the statistics directory from the settings store, then once
// a second rereads every file in it and hands the records of the pass to the GUI thread.
// It never waits on the GUI thread, and a stop request is seen between two files.
class StatisticsThread {
  public:
    // Called on this thread with one pass's records, in file order; must not block.
    using PostRecords = std::function<void(std::vector<StatisticsRecord>)>;
    // Called on this thread when the settings lack the directory; must not block.
    using ReportSetupError = std::function<void()>;

    StatisticsThread(const platform::SettingsStore& store, ActivityLog& log, PostRecords post,
                     ReportSetupError report,
                     std::chrono::milliseconds period = std::chrono::milliseconds(1000));
    ~StatisticsThread();

    void Start();
    void Stop();

  private:
    void Run();
    bool ReadDirectory(std::string* directory);
    void Pass(const std::string& directory);

    const platform::SettingsStore& m_store;
    ActivityLog& m_log;
    PostRecords m_post;
    ReportSetupError m_report;
    std::chrono::milliseconds m_period;
    WorkerThread m_worker;  // last: stopped first, while the members above still exist
};
