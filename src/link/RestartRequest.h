#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "log/LogSite.h"

class ActivityLog;
class CZEVOHelper;

// Asks a running gateway instance to restart: opens a short-lived session to its
// interactive port and, once connected, sends the headers-only restart request. The gateway
// drops the connection while it restarts. Each configuration dialog that changes what a
// gateway reads at start holds one; its lines carry the dialog's site (file, line, class).
class CRestartRequest {
  public:
    // `starterName` is the dialog's operation that starts a request: "kill_qel_exe" or
    // "KillQELExe".
    CRestartRequest(LogSite site, std::string starterName, int marketType,
                    std::uint16_t interactivePort, ActivityLog* log);
    ~CRestartRequest();

    // Opens a new session for a request; a session of an earlier request is not reused.
    void Start();
    // Called after a request has been sent (the FIX users list closes itself then).
    void SetAfterSent(std::function<void()> afterSent) { m_afterSent = std::move(afterSent); }
    // Called when a request cannot be sent: the gateway refused the connection (`why` empty),
    // or a process of another account holds its port (`why` says whose).
    void SetNotSent(std::function<void(const std::string& why)> notSent) {
        m_notSent = std::move(notSent);
    }

    const std::string& GatewayAddress() const { return m_gatewayAddress; }
    const std::string& GatewayPort() const { return m_gatewayPort; }

  private:
    class Session;
    void OnConnectionEstablished(CZEVOHelper& session);
    void OnConnectionLost(CZEVOHelper& session);

    LogSite m_site;
    std::string m_starterName;
    int m_marketType;
    std::uint16_t m_interactivePort;
    ActivityLog* m_log;
    std::string m_gatewayAddress;
    std::string m_gatewayPort;
    std::vector<std::unique_ptr<Session>> m_sessions;  // released with the dialog
    std::function<void()> m_afterSent;
    std::function<void(const std::string&)> m_notSent;
};
