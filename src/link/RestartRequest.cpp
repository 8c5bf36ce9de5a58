#include "link/RestartRequest.h"

#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/ZEVOHelper.h"
#include "log/ActivityLog.h"
#include "log/Format.h"

namespace {

// The log text after sending: markets with a long layout name themselves.
const char* SentText(int marketType) {
    if (!UsesLongUserIdLayout(marketType)) {
        return "Request to kill qel sent.";
    }
    switch (marketType) {
        case 1:
            return "Request to kill CM qel sent.";
        case 2:
            return "Request to kill FO qel sent.";
        case 4:
            return "Request to kill IPO qel sent.";
        case 6:
            return "Request to kill SLBM qel sent.";
        default:
            return "Request to kill qel sent.";
    }
}

}  // namespace

// One request's session with the sink that reports back to the request.
class CRestartRequest::Session final : public CMessageSink {
  public:
    Session(CRestartRequest& owner, ActivityLog* log) : m_owner(owner), m_helper(log) {}
    int RouteMessage(const unsigned char*, std::uint16_t) override { return 0; }
    void OnConnectionEstablished() override { m_owner.OnConnectionEstablished(m_helper); }
    void OnConnectionLost() override { m_owner.OnConnectionLost(m_helper); }
    CZEVOHelper& Helper() { return m_helper; }

  private:
    CRestartRequest& m_owner;
    CZEVOHelper m_helper;
};

CRestartRequest::CRestartRequest(LogSite site, std::string starterName, int marketType,
                                 std::uint16_t interactivePort, ActivityLog* log)
    : m_site(std::move(site)),
      m_starterName(std::move(starterName)),
      m_marketType(marketType),
      m_interactivePort(interactivePort),
      m_log(log) {}

CRestartRequest::~CRestartRequest() = default;

void CRestartRequest::Start() {
    m_sessions.push_back(std::make_unique<Session>(*this, m_log));
    Session& session = *m_sessions.back();
    session.Helper().SetMessageSink(&session, m_marketType);
    session.Helper().SetConnectFailedHandler([this](const std::string& why) {
        if (m_notSent) {
            m_notSent(why);
        }
    });
    m_gatewayAddress = "127.0.0.1";
    m_gatewayPort = std::to_string(m_interactivePort);
    LogAt(m_log, LogLevel::Activity, m_site, m_starterName.c_str(),
          Fmt("Attempting to connect...for market %s", MarketNameOrEmpty(m_marketType)));
    session.Helper().EstablishConnection(m_gatewayAddress, m_gatewayPort);
}

void CRestartRequest::OnConnectionEstablished(CZEVOHelper& session) {
    auto request = BuildHeadersOnlyRequest(m_marketType, kRestartRequest);
    session.SendPacket(request.data(), static_cast<std::uint16_t>(request.size()));
    LogAt(m_log, LogLevel::Activity, m_site, "OnConnectionEstablished", SentText(m_marketType));
    if (m_afterSent) {
        m_afterSent();
    }
}

void CRestartRequest::OnConnectionLost(CZEVOHelper& session) {
    LogAt(m_log, LogLevel::Activity, m_site, "OnConnectionLost",
          Fmt("Attempting to close connection...for market %s", MarketNameOrEmpty(m_marketType)));
    session.Transport().CloseConnection();
}
