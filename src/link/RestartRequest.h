#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ActivityLog;
class CZEVOHelper;

// Asks a running gateway instance to restart: opens a short-lived session to its
// interactive port and, once connected, sends the headers-only restart request. The gateway
// drops the connection while it restarts. Each configuration dialog that changes what a
// gateway reads at start holds one and names itself in the log lines.
class CRestartRequest {
public:
    struct Owner {
        std::string className;    // e.g. "CGenericConfiguration"
        std::string starterName;  // "kill_qel_exe" or "KillQELExe"
        std::string sourceFile;   // the dialog's source file, for the log lines
    };

    CRestartRequest(Owner owner, int marketType, std::uint16_t interactivePort, ActivityLog* log);
    ~CRestartRequest();

    // Opens a new session for a request; a session of an earlier request is not reused.
    void Start();
    // Called after a request has been sent (the FIX users list closes itself then).
    void SetAfterSent(std::function<void()> afterSent) { m_afterSent = std::move(afterSent); }

    const std::string& GatewayAddress() const { return m_gatewayAddress; }
    const std::string& GatewayPort() const { return m_gatewayPort; }

private:
    class Session;
    void OnConnectionEstablished(CZEVOHelper& session);
    void OnConnectionLost(CZEVOHelper& session);
    std::string Op(const char* operation) const { return m_owner.className + "::" + operation; }

    Owner m_owner;
    int m_marketType;
    std::uint16_t m_interactivePort;
    ActivityLog* m_log;
    std::string m_gatewayAddress;
    std::string m_gatewayPort;
    std::vector<std::unique_ptr<Session>> m_sessions;  // released with the dialog
    std::function<void()> m_afterSent;
};
