#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "config/ConfigRestore.h"
#include "log/LogSite.h"

class ActivityLog;
class GatewayReturn;

// A save that undoes itself unless it proves good ("commit confirmed"): after the save and the
// restart that follows it, the market's gateway must run again with a version this console
// accepts within the time given. Otherwise the files go back to what they were before the
// save (a save of its own in the history), the gateway is restarted again (or the
// applications started when it no longer runs), and the outcome says so.
class ConfirmedSave final : public QObject {
    Q_OBJECT
  public:
    // What the save's owner does for it: the same steps as after any save.
    struct Actions {
        std::function<bool()> runs;               // whether the gateway's process runs now
        std::function<void()> restart;            // the restart request to a running gateway
        std::function<void()> startApplications;  // the service's Start Applications
    };
    enum class Outcome { kConfirmed, kRolledBack, kRolledBackNotBack, kRollbackFailed };

    ConfirmedSave(int market, std::uint16_t logPort, FileVersions before, int seconds,
                  ActivityLog* log, const LogSite& site, const char* operation, Actions actions,
                  QObject* parent = nullptr);
    ~ConfirmedSave() override;

    // Holds a connection to the running gateway, then calls `afterSave` (the save's restart
    // and start), then waits; `done` is called once with the outcome and its sentence.
    void Start(std::function<void()> afterSave,
               std::function<void(Outcome, const std::string& text)> done);

  private:
    void Judge(bool back, const std::string& why);
    void RollBack(const std::string& failure);
    void JudgeRollback(const std::string& failure, bool back, const std::string& why);
    std::string Seen(const std::string& why) const;
    void Say(LogLevel level, const std::string& text) const;
    void Finish(Outcome outcome, const std::string& text);

    int m_market;
    std::uint16_t m_logPort;
    FileVersions m_before;
    int m_seconds;
    ActivityLog* m_log;
    LogSite m_site;
    const char* m_operation;
    Actions m_actions;
    // One watch for the save, one for the rollback: each lives as long as this, since its
    // callbacks run inside its own handling.
    std::unique_ptr<GatewayReturn> m_watch;
    std::unique_ptr<GatewayReturn> m_rollbackWatch;
    std::function<void(Outcome, const std::string&)> m_done;
};
