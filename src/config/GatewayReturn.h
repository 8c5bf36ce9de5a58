#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "link/MessageSink.h"
#include "link/ZEVOHelper.h"

class ActivityLog;

// Watches a market's gateway come back after a restart: back means a new instance sends, on
// its log port, a version this console accepts (what unlocks its log page). The instance
// that runs before the restart is told apart by a connection held to it: its version does
// not count, only one read on a connection made after that connection ended.
class GatewayReturn final : public CMessageSink {
  public:
    GatewayReturn(int market, std::uint16_t logPort, ActivityLog* log);
    ~GatewayReturn() override;
    GatewayReturn(const GatewayReturn&) = delete;
    GatewayReturn& operator=(const GatewayReturn&) = delete;

    // Connects to the running instance, if one listens; `armed` is called once that is known.
    // The restart is sent after it, so that the old instance cannot be taken for the new.
    void Arm(std::function<void()> armed);
    // Waits up to `milliseconds` for the new instance; `done(back, why)` is called once, from
    // the event loop, `why` saying what was seen instead when it did not come back. The
    // watch may be ended only from the event loop, never inside `done`.
    void Await(int milliseconds, std::function<void(bool back, const std::string& why)> done);

    int RouteMessage(const unsigned char* message, std::uint16_t code) override;
    void OnConnectionEstablished() override;
    void OnConnectionLost() override;

  private:
    void ConnectFailed(const std::string& untrusted);
    void ArmedNow(bool oldInstanceConnected);
    void TryConnect();
    void Finish(bool back, const std::string& why);

    int m_market;
    std::uint16_t m_logPort;
    CZEVOHelper m_session;
    QTimer m_retry;
    QTimer m_deadline;
    std::function<void()> m_armed;
    std::function<void(bool, const std::string&)> m_done;
    bool m_arming = false;
    bool m_oldGone = false;  // the instance of before the restart no longer serves
    std::string m_seen;      // what was last seen of the port, for the failure's words
};
