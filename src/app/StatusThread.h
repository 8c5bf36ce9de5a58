#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "app/WorkerThread.h"
#include "core/InstalledMarkets.h"

class ActivityLog;
namespace platform {
class ProcessList;
class SingleInstance;
}  // namespace platform

// The log pages as the status thread sees them, by status row. HasSession is read on the
// status thread (sessions exist before it starts and never change); Connect must hand the
// connect to the GUI thread, where the session's socket lives, and return at once.
class LogPageConnector {
  public:
    virtual ~LogPageConnector() = default;
    virtual bool HasSession(int row) const = 0;
    virtual void Connect(int row) = 0;
};

// The gateway status thread: every 500 ms rolls the activity log over at a change of date
// and checks each installed market's gateway process. State changes reach the GUI thread
// through `post`, which must not block, so stopping never waits on the GUI thread.
class StatusThread {
  public:
    // Called on the status thread with the status row and its new text.
    // Row `row` of the status list: whether its gateway's process runs.
    using PostStatus = std::function<void(int row, bool running)>;

    // Called on the status thread when a second instance has signalled; it must arrange for
    // the operator to be told and call `done` once the message has been closed.
    using Announce = std::function<void(std::function<void()> done)>;

    StatusThread(const InstalledMarkets& markets, ActivityLog& log,
                 const platform::ProcessList& processes, PostStatus post,
                 platform::SingleInstance* instance = nullptr, Announce announce = nullptr,
                 LogPageConnector* pages = nullptr);
    ~StatusThread();

    // Called on this thread once the first look at every market is done: the statuses posted
    // by then are what was running at start.
    void SetFirstCycleDone(std::function<void()> done) { m_firstCycleDone = std::move(done); }
    void Start();
    // Asks the thread to stop at its pause and waits for it; it holds no lock there.
    void Stop();

  private:
    void Run();
    void Cycle();
    void AnnounceSecondInstance();

    const InstalledMarkets m_markets;  // a copy: the table does not change after start-up
    ActivityLog& m_log;
    const platform::ProcessList& m_processes;
    PostStatus m_post;
    platform::SingleInstance* m_instance;
    Announce m_announce;
    std::function<void()> m_firstCycleDone;
    LogPageConnector* m_pages;
    bool m_announced = false;
    int m_previous[kMarketCount];
    std::int64_t m_impostor[kMarketCount] = {-1, -1, -1, -1, -1, -1, -1};  // its uid, said once
    WorkerThread m_worker;  // last: stopped first, while the members above still exist
};
