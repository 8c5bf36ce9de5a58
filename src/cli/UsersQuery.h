#pragma once

#include <QElapsedTimer>
#include <vector>

#include "link/MessageSink.h"
#include "link/UserInformation.h"
#include "link/ZEVOHelper.h"

namespace cli {
struct Installation;
}

// The Active Users list's session, without the list: connects to the market's gateway on
// its interactive port, sends the list's requests and gathers the box and the users.
class UsersQuery final : public CMessageSink {
  public:
    UsersQuery(int market, ActivityLog* log);

    // Asks, with the list's lines, and waits up to the timeout. False after saying why: the
    // gateway refused the connection (said at once) or did not answer.
    bool Ask(cli::Installation& installation);

    int RouteMessage(const unsigned char* message, std::uint16_t code) override;
    void OnConnectionEstablished() override;
    void OnConnectionLost() override { m_lost = true; }

    BoxInformation box{};
    std::vector<UserInformation> users;  // by user ID

  private:
    int m_market;
    ActivityLog* m_log;
    CZEVOHelper m_session;
    bool m_connected = false;
    bool m_lost = false;
    bool m_refused = false;
    std::string m_untrusted;  // who holds the port, when it is not the gateways' account
    bool m_hasBox = false;
    QElapsedTimer m_lastMessage;
};
