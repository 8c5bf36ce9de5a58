#include "config/FixUserSessions.h"

#include "config/FixSessionFile.h"
#include "core/MarketType.h"
#include "log/Format.h"

CFixUserSessions::CFixUserSessions(int marketType, const std::string& configFilePath,
                                   const std::string& fixConfigFilePath, std::uint16_t interactivePort,
                                   ActivityLog* log, GatewayHost* host, QWidget* parent)
    : CConfigDialog(parent),
      m_marketType(marketType),
      m_log(log),
      m_configFilePath(configFilePath),
      m_fixConfigFilePath(fixConfigFilePath),
      m_interactivePort(interactivePort),
      m_host(host) {
    const char* const op = "CFixUserSessions";
    const char* name = MarketName(marketType);
    LogAt(m_log, LogLevel::Activity, Site(), op, Fmt("Market type for dialog is %d - %s", marketType, name ? name : ""));
    LogAt(m_log, LogLevel::Activity, Site(), op, Fmt("QEL Config file path is - %s", configFilePath.c_str()));
    LogAt(m_log, LogLevel::Activity, Site(), op, Fmt("FIX Config file path is - %s", fixConfigFilePath.c_str()));
    LogAt(m_log, LogLevel::Activity, Site(), op, Fmt("Interface thread interactive port is  %u", interactivePort));
    setObjectName("154");
    m_tempFilePath = fix_file::TemporaryPath(m_fixConfigFilePath, m_marketType);
    if (fix_file::Recover(m_fixConfigFilePath, m_tempFilePath, m_log, Site(), op) == -1) {
        EndDialog(-1);
    }
}

LogSite CFixUserSessions::Site() const { return ZEVO_LOG_SITE("CFixUserSessions"); }

void CFixUserSessions::OnInitDialog() {}

void CFixUserSessions::OnBrokerIDLocalIPChanged(const std::string& brokerId, const std::string& localIp) {
    fix_file::ChangeBrokerIdAndLocalIp(m_fixConfigFilePath, m_tempFilePath, brokerId, localIp, m_log, Site());
}
