#include "config/ConfirmedSave.h"

#include "config/GatewayReturn.h"
#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"

ConfirmedSave::ConfirmedSave(int market, std::uint16_t logPort, FileVersions before, int seconds,
                             ActivityLog* log, const LogSite& site, const char* operation,
                             Actions actions, QObject* parent)
    : QObject(parent),
      m_market(market),
      m_logPort(logPort),
      m_before(std::move(before)),
      m_seconds(seconds),
      m_log(log),
      m_site(site),
      m_operation(operation),
      m_actions(std::move(actions)) {}

ConfirmedSave::~ConfirmedSave() = default;

void ConfirmedSave::Say(LogLevel level, const std::string& text) const {
    LogAt(m_log, level, m_site, m_operation, text);
}

void ConfirmedSave::Start(std::function<void()> afterSave,
                          std::function<void(Outcome, const std::string&)> done) {
    m_done = std::move(done);
    Say(LogLevel::Activity,
        Fmt("%s: the save is kept only if QEL runs again with an accepted version within %d "
            "seconds",
            MarketName(m_market), m_seconds));
    m_watch = std::make_unique<GatewayReturn>(m_market, m_logPort, m_log);
    m_watch->Arm([this, afterSave = std::move(afterSave)] {
        afterSave();
        m_watch->Await(m_seconds * 1000,
                       [this](bool back, const std::string& why) { Judge(back, why); });
    });
}

// What was seen of a gateway that did not come back: its process gone says more than its
// silent port.
std::string ConfirmedSave::Seen(const std::string& why) const {
    return m_actions.runs() ? why : Fmt("qel_ip_%s.exe is not running", MarketLowerName(m_market));
}

void ConfirmedSave::Judge(bool back, const std::string& why) {
    if (back) {
        Finish(Outcome::kConfirmed,
               Fmt("%s: QEL runs again with an accepted version: the save is confirmed.",
                   MarketName(m_market)));
        return;
    }
    RollBack(Fmt("QEL did not run again with an accepted version within %d seconds (%s)", m_seconds,
                 Seen(why).c_str()));
}

// The files as before the save, then the gateway restarted on them.
void ConfirmedSave::RollBack(const std::string& failure) {
    const char* market = MarketName(m_market);
    Say(LogLevel::Event, Fmt("%s: %s: rolling back the save", market, failure.c_str()));
    const RestoreOutcome restored = RestoreFiles(m_before, "rollback", m_log, m_site, m_operation);
    if (restored.kind == RestoreOutcome::kFailed) {
        Finish(Outcome::kRollbackFailed, Fmt("%s: %s, and the save could not be rolled back: %s.",
                                             market, failure.c_str(), restored.why.c_str()));
        return;
    }
    m_rollbackWatch = std::make_unique<GatewayReturn>(m_market, m_logPort, m_log);
    m_rollbackWatch->Arm([this, failure] {
        if (m_actions.runs()) {
            m_actions.restart();
        } else {
            m_actions.startApplications();
        }
        m_rollbackWatch->Await(m_seconds * 1000,
                               [this, failure](bool back, const std::string& why) {
                                   JudgeRollback(failure, back, why);
                               });
    });
}

void ConfirmedSave::JudgeRollback(const std::string& failure, bool back, const std::string& why) {
    const char* market = MarketName(m_market);
    const std::string rolledBack =
        Fmt("%s: %s. The save was rolled back: the files are as they were before it", market,
            failure.c_str());
    if (back) {
        Finish(Outcome::kRolledBack, rolledBack + ", and QEL runs again.");
    } else {
        Finish(Outcome::kRolledBackNotBack, Fmt("%s, but QEL did not run again either (%s).",
                                                rolledBack.c_str(), Seen(why).c_str()));
    }
}

void ConfirmedSave::Finish(Outcome outcome, const std::string& text) {
    Say(outcome == Outcome::kConfirmed ? LogLevel::Activity : LogLevel::Event, text);
    if (auto done = std::exchange(m_done, nullptr)) {
        done(outcome, text);
    }
}
