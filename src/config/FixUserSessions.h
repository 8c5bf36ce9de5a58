#pragma once

#include <cstdint>
#include <string>

#include "config/ConfigDialog.h"
#include "log/LogSite.h"

class ActivityLog;
class GatewayHost;

// The FIX users of one market: the session blocks of its FIX configuration file. The
// gateway configuration dialog also makes one, unseen, to carry a broker-ID or local-address
// change into the FIX file.
class CFixUserSessions : public CConfigDialog {
    Q_OBJECT
public:
    CFixUserSessions(int marketType, const std::string& configFilePath, const std::string& fixConfigFilePath,
                     std::uint16_t interactivePort, ActivityLog* log, GatewayHost* host,
                     QWidget* parent = nullptr);

    void OnInitDialog() override;
    // Rewrites every TargetCompID line with the new broker ID and the NicIpAddress line with
    // the new local address.
    void OnBrokerIDLocalIPChanged(const std::string& brokerId, const std::string& localIp);

    const std::string& TemporaryPath() const { return m_tempFilePath; }

private:
    // Lines of this dialog and of the FIX file code it calls name this file.
    LogSite Site() const;

    int m_marketType;
    ActivityLog* m_log;
    std::string m_configFilePath;
    std::string m_fixConfigFilePath;
    std::string m_tempFilePath;
    std::uint16_t m_interactivePort;
    GatewayHost* m_host;
};
