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
// its interactive port, sends the list's requests and gathers the box and the users. Queries
// of several markets share one event loop: each is started, all are waited for together
// (WaitAll), then each is finished, so that asking every gateway takes one gateway's time.
class UsersQuery final : public CMessageSink {
  public:
    UsersQuery(int market, ActivityLog* log);

    // Asks, with the list's lines, and waits up to the timeout. False after saying why: the
    // gateway refused the connection (said at once) or did not answer.
    bool Ask(cli::Installation& installation);

    // Ask in three steps. Start connects, with the list's lines, and sends the requests once
    // connected; Done holds once the list is whole (the gateway stayed quiet after the box),
    // the connection is gone or refused, or the timeout passed for the connection or for the
    // answer; Finish closes the connection and gives Ask's answer.
    void Start(cli::Installation& installation);
    bool Done() const;
    bool Finish();
    // Runs the event loop until every query is done.
    static void WaitAll(const std::vector<UsersQuery*>& queries);

    int RouteMessage(const unsigned char* message, std::uint16_t code) override;
    void OnConnectionEstablished() override;
    void OnConnectionLost() override { m_lost = true; }

    BoxInformation box{};
    std::vector<UserInformation> users;  // by user ID

  private:
    bool Answered() const;

    int m_market;
    int m_port = 0;
    int m_wait = 0;  // milliseconds, for the connection and then for the answer
    ActivityLog* m_log;
    CZEVOHelper m_session;
    bool m_connected = false;
    bool m_lost = false;
    bool m_refused = false;
    std::string m_untrusted;  // who holds the port, when it is not the gateways' account
    bool m_hasBox = false;
    QElapsedTimer m_started;
    QElapsedTimer m_connectedAt;
    QElapsedTimer m_lastMessage;
};
