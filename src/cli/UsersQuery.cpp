#include "cli/UsersQuery.h"

#include <algorithm>
#include <string>

#include "cli/CliSupport.h"
#include "core/MarketType.h"
#include "link/ActiveUsersRequests.h"
#include "link/MessageFrame.h"
#include "log/Format.h"

namespace {

// The gateway answers the users request at once; the list is whole when it stays quiet.
constexpr int kQuietMilliseconds = 300;

void Log(ActivityLog* log, const char* operation, const std::string& text) {
    LogAt(log, LogLevel::Activity, log_sites::ActiveUsers(), operation, text);
}

}  // namespace

UsersQuery::UsersQuery(int market, ActivityLog* log)
    : m_market(market), m_log(log), m_session(log) {
    m_session.SetMessageSink(this, market);
    m_session.SetConnectFailedHandler([this](const std::string& untrusted) {
        m_refused = m_lost = true;
        m_untrusted = untrusted;
    });
}

int UsersQuery::RouteMessage(const unsigned char* message, std::uint16_t code) {
    if (code == kUserInformationResponse) {
        users.push_back(DecodeUserInformation(message, m_market));
    } else if (code == kBoxInformationResponse) {
        box = DecodeBoxInformation(message);
        m_hasBox = true;
    }
    m_lastMessage.restart();
    return 0;
}

void UsersQuery::OnConnectionEstablished() {
    m_connected = true;
    m_connectedAt.start();
    m_lastMessage.start();
    SendActiveUsersRequests(m_session, m_market, m_log, log_sites::ActiveUsers(),
                            "OnButtonActiveUsersListRefresh");
}

bool UsersQuery::Ask(cli::Installation& installation) {
    Start(installation);
    WaitAll({this});
    return Finish();
}

void UsersQuery::Start(cli::Installation& installation) {
    m_port = installation.Port(m_market);
    m_wait = cli::g_connectMilliseconds;
    const char* const name = MarketName(m_market);
    Log(m_log, "CGenericActiveUsersList", Fmt("Market type for dialog is %d - %s", m_market, name));
    Log(m_log, "CGenericActiveUsersList", "INTERFACE_THREAD_INTERACTIVE_IP is 127.0.0.1");
    Log(m_log, "CGenericActiveUsersList", Fmt("Port no. is %d", m_port));
    Log(m_log, "OnInitDialog", "Initializing dialog");
    Log(m_log, "OnInitDialog", Fmt("Attempting to connect...for market %s", name));
    m_started.start();
    m_session.EstablishConnection("127.0.0.1", std::to_string(m_port));
}

bool UsersQuery::Answered() const {
    return m_lost || (m_hasBox && m_lastMessage.elapsed() >= kQuietMilliseconds);
}

bool UsersQuery::Done() const {
    if (m_lost) {
        return true;
    }
    if (!m_connected) {
        return m_started.elapsed() >= m_wait;
    }
    return Answered() || m_connectedAt.elapsed() >= m_wait;
}

void UsersQuery::WaitAll(const std::vector<UsersQuery*>& queries) {
    // Each query is done within its two waits; the bound only guards the loop.
    int longest = 0;
    for (const UsersQuery* query : queries) {
        longest = std::max(longest, 2 * query->m_wait + 1000);
    }
    cli::RunUntil(
        [&] {
            return std::all_of(queries.begin(), queries.end(),
                               [](const UsersQuery* query) { return query->Done(); });
        },
        longest);
}

bool UsersQuery::Finish() {
    const char* const name = MarketName(m_market);
    const bool answered = Answered();
    Log(m_log, "PostNcDestroy", Fmt("Attempting to close connection...for market %s", name));
    m_session.Transport().CloseConnection();
    if (!m_untrusted.empty()) {
        cli::Fail(Fmt("%s; it is not taken for the gateway of %s", m_untrusted.c_str(), name));
        return false;
    }
    if (m_refused) {
        cli::Fail(Fmt("the gateway of %s refused the connection on port %d", name, m_port));
        return false;
    }
    if (!answered || !m_hasBox) {
        cli::Fail(Fmt("the gateway of %s did not answer on port %d", name, m_port));
        return false;
    }
    std::sort(users.begin(), users.end(), [](const UserInformation& a, const UserInformation& b) {
        return a.userId < b.userId;
    });
    return true;
}
