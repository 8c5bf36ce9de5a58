#include "config/GatewayReturn.h"

#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "log/Format.h"
#include "views/VersionCheck.h"

namespace {
// How often the port is tried while the new instance is not listening yet.
constexpr int kRetryMilliseconds = 250;
// A connect on the loopback is answered at once; this is only a bound for a lost answer.
constexpr int kArmMilliseconds = 2000;
}  // namespace

GatewayReturn::GatewayReturn(int market, std::uint16_t logPort, ActivityLog* log)
    : m_market(market), m_logPort(logPort), m_session(log) {
    m_session.SetMessageSink(this, market);
    m_session.SetConnectFailedHandler(
        [this](const std::string& untrusted) { ConnectFailed(untrusted); });
    m_retry.setSingleShot(true);
    QObject::connect(&m_retry, &QTimer::timeout, [this] { TryConnect(); });
    m_deadline.setSingleShot(true);
    QObject::connect(&m_deadline, &QTimer::timeout, [this] {
        if (m_arming) {
            ArmedNow(false);
        } else {
            Finish(false, {});
        }
    });
}

GatewayReturn::~GatewayReturn() {
    m_session.Transport().CloseConnection();
}

void GatewayReturn::Arm(std::function<void()> armed) {
    m_armed = std::move(armed);
    m_arming = true;
    m_deadline.start(kArmMilliseconds);
    if (m_session.Reconnect("127.0.0.1", std::to_string(m_logPort)) == 0) {
        ArmedNow(false);
    }
}

void GatewayReturn::ArmedNow(bool oldInstanceConnected) {
    m_arming = false;
    m_deadline.stop();
    m_oldGone = !oldInstanceConnected;
    if (!oldInstanceConnected) {
        m_session.Transport().CloseConnection();
    }
    // Called from the event loop, not from inside the session's own handling.
    if (auto armed = std::exchange(m_armed, nullptr)) {
        QTimer::singleShot(0, &m_retry, std::move(armed));
    }
}

void GatewayReturn::Await(int milliseconds, std::function<void(bool, const std::string&)> done) {
    m_done = std::move(done);
    m_seen = m_oldGone ? "nothing listened on its log port"
                       : "the instance of before the restart still served";
    m_deadline.start(milliseconds);
    if (m_oldGone) {
        TryConnect();
    }
}

void GatewayReturn::TryConnect() {
    if (!m_done) {
        return;
    }
    if (m_session.Reconnect("127.0.0.1", std::to_string(m_logPort)) == 0) {
        m_retry.start(kRetryMilliseconds);
    }
}

void GatewayReturn::ConnectFailed(const std::string& untrusted) {
    m_seen = untrusted.empty() ? "nothing listened on its log port" : untrusted;
    if (m_arming) {
        ArmedNow(false);
    } else if (m_done && m_oldGone) {
        m_retry.start(kRetryMilliseconds);
    }
}

void GatewayReturn::OnConnectionEstablished() {
    if (m_arming) {
        ArmedNow(true);
    } else {
        m_seen = "its log port answered, but sent no version";
    }
}

void GatewayReturn::OnConnectionLost() {
    if (m_arming) {
        ArmedNow(false);
        return;
    }
    // The old instance ended, or a new one ended before it was accepted: try again.
    m_oldGone = true;
    m_seen = "nothing listened on its log port";
    if (m_done) {
        m_retry.start(kRetryMilliseconds);
    }
}

int GatewayReturn::RouteMessage(const unsigned char* message, std::uint16_t code) {
    if (code != kVersionMessage || !m_oldGone || !m_done) {
        return 0;  // the instance of before the restart, or not a version
    }
    const int received = ReadI32(message + 30);
    const char* flagLine = nullptr;
    const bool accepted = CheckVersion(m_market, received, RequiredVersion(m_market), &flagLine);
    const std::string why = accepted ? std::string()
                                     : Fmt("it sent version %d, which is invalid for market %s",
                                           received, MarketName(m_market));
    // The session is still handling this message: it is closed from the event loop.
    QTimer::singleShot(0, &m_retry, [this, accepted, why] { Finish(accepted, why); });
    return 0;
}

void GatewayReturn::Finish(bool back, const std::string& why) {
    m_retry.stop();
    m_deadline.stop();
    m_session.Transport().CloseConnection();
    if (auto done = std::exchange(m_done, nullptr)) {
        done(back, back || !why.empty() ? why : m_seen);
    }
}
