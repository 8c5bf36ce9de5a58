#include "GatewayPeer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdio>

namespace {

const std::uint16_t kReasons[] = {11000, 11007, 11009, 12001, 12002, 12005, 13001, 13002, 12014};
// "The user successfully logged on to the trading host" and "User has disconnected. "
constexpr std::uint16_t kUserLoggedOn = 11018;
constexpr std::uint16_t kUserDisconnected = 11009;

std::uint16_t Code(const QByteArray& message) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(message[20]) |
                                      (static_cast<unsigned char>(message[21]) << 8));
}

void Write(QTcpSocket* socket, const gateway::Bytes& bytes) {
    socket->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

}  // namespace

GatewayPeer::GatewayPeer(Options options, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_longIds(gateway::UsesLongIds(m_options.market, m_options.version)),
      m_logServer(new QTcpServer(this)),
      m_interactiveServer(new QTcpServer(this)) {
    connect(m_logServer, &QTcpServer::newConnection, this, &GatewayPeer::OnLogClient);
    connect(m_interactiveServer, &QTcpServer::newConnection, this,
            &GatewayPeer::OnInteractiveClient);
    connect(&m_lively, &QTimer::timeout, this, &GatewayPeer::SendLively);
}

GatewayPeer::~GatewayPeer() {
    // The engine's threads stop before anything they post to goes.
    m_fix.reset();
}

void GatewayPeer::Log(const QString& text) const {
    std::fprintf(stderr, "qel_gateway[%d]: %s\n", m_options.market, qPrintable(text));
}

bool GatewayPeer::Listen(QString* error) {
    // A gateway whose FIX engine refuses its FIX file (a duplicate session) does not start.
    if (!StartFix(error)) {
        return false;
    }
    if (!m_logServer->listen(QHostAddress::LocalHost, m_options.nonInteractivePort) ||
        !m_interactiveServer->listen(QHostAddress::LocalHost, m_options.interactivePort)) {
        *error = m_logServer->isListening() ? m_interactiveServer->errorString()
                                            : m_logServer->errorString();
        return false;
    }
    Log(QString("listening on 127.0.0.1:%1 (log) and :%2 (interactive), version %3, %4 user IDs")
            .arg(m_logServer->serverPort())
            .arg(m_interactiveServer->serverPort())
            .arg(m_options.version)
            .arg(m_longIds ? "32-bit" : "16-bit"));
    return true;
}

quint16 GatewayPeer::LogPort() const {
    return m_logServer->serverPort();
}

quint16 GatewayPeer::InteractivePort() const {
    return m_interactiveServer->serverPort();
}

void GatewayPeer::OnLogClient() {
    while (QTcpSocket* socket = m_logServer->nextPendingConnection()) {
        Log("console connected to the log port");
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            std::erase(m_logClients, socket);
            m_preloadLeft.erase(socket);
            socket->deleteLater();
        });
        const bool later = m_logConnections++ > 0 && !m_options.reconnectScript.empty();
        const auto& script = later ? m_options.reconnectScript : m_options.script;
        if (!script.empty()) {
            for (const auto& bytes : script) {
                Write(socket, bytes);
                socket->flush();  // one write per script line
            }
            continue;
        }
        Write(socket, gateway::VersionMessage(m_options.version));
        m_logClients.push_back(socket);
        if (m_options.preload > 0) {
            QTimer::singleShot(m_options.preloadDelayMs, socket, [this, socket] {
                m_preloadLeft[socket] = m_options.preload;
                connect(socket, &QTcpSocket::bytesWritten, this,
                        [this, socket] { Preload(socket); });
                Preload(socket);
            });
        }
        if (m_options.rate > 0 && !m_lively.isActive()) {
            StartLively();
        }
    }
}

bool GatewayPeer::StartFix(QString* failure) {
    if (m_options.fixFile.empty()) {
        return true;
    }
    // The engine reports on its own threads; the consoles' sockets live on this one.
    auto post = [this](std::uint16_t reason) {
        return [this, reason](const std::string& targetCompId) {
            const QString id = QString::fromStdString(targetCompId);
            QMetaObject::invokeMethod(
                this, [this, id, reason] { SendFixEvent(id, reason); }, Qt::QueuedConnection);
        };
    };
    std::string error;
    m_fix = fix_sim::FixAcceptor::Start(m_options.fixFile, m_options.fixLogging,
                                        {post(kUserLoggedOn), post(kUserDisconnected)}, &error);
    if (!m_fix) {
        *failure =
            QString("FIX acceptor not started from %1: %2")
                .arg(QString::fromStdString(m_options.fixFile), QString::fromStdString(error));
        return false;
    }
    Log(QString("FIX acceptor on 127.0.0.1:%1 with %2 sessions from %3")
            .arg(m_fix->Port())
            .arg(m_fix->Sessions())
            .arg(QString::fromStdString(m_options.fixFile)));
    return true;
}

// The user ID of a FIX user is the first part of its TargetCompID ("user,broker,branch").
void GatewayPeer::SendFixEvent(const QString& targetCompId, std::uint16_t reason) {
    Log(QString("FIX %1: %2").arg(reason == kUserLoggedOn ? "logon" : "logout", targetCompId));
    const auto now = static_cast<std::int32_t>(QDateTime::currentSecsSinceEpoch());
    SendToConsoles(
        gateway::LogMessage(m_longIds, now, targetCompId.section(',', 0, 0).toInt(), reason, -1));
}

void GatewayPeer::SendToConsoles(const gateway::Bytes& message) {
    for (QTcpSocket* socket : m_logClients) {
        Write(socket, message);
    }
}

void GatewayPeer::StartLively() {
    m_livelyClock.start();
    m_livelySent = 0;
    const double interval = 1000.0 / m_options.rate;
    m_lively.start(interval >= 10 ? static_cast<int>(interval) : 10);
}

void GatewayPeer::SendLively() {
    const auto due = static_cast<qint64>(m_options.rate * m_livelyClock.elapsed() / 1000.0);
    // After a stall, at most a second's worth at once.
    const qint64 most = std::max<qint64>(1, static_cast<qint64>(m_options.rate));
    for (qint64 sent = 0; m_livelySent < due && sent < most; ++sent, ++m_livelySent) {
        SendOneLively();
    }
    m_livelySent = std::max(m_livelySent, due - most);
}

void GatewayPeer::SendOneLively() {
    const auto now = static_cast<std::int32_t>(QDateTime::currentSecsSinceEpoch());
    const std::int32_t user = 1001 + static_cast<std::int32_t>(m_random() % m_options.users);
    const std::uint16_t reason = kReasons[m_random() % std::size(kReasons)];
    // Host link and queue events carry no user.
    const bool userEvent = reason < 12000;
    SendToConsoles(gateway::LogMessage(m_longIds, now, userEvent ? user : -1, reason,
                                       static_cast<std::int32_t>(m_random() % 100)));
}

// A console that just connected gets a backlog of messages as fast as it takes them: a few MB
// are kept queued, and more follow as they are written.
void GatewayPeer::Preload(QTcpSocket* socket) {
    constexpr qint64 kQueued = 4 << 20;
    constexpr int kBatch = 4096;
    const auto left = m_preloadLeft.find(socket);
    if (left == m_preloadLeft.end()) {
        return;
    }
    const auto now = static_cast<std::int32_t>(QDateTime::currentSecsSinceEpoch());
    while (left->second > 0 && socket->bytesToWrite() < kQueued) {
        QByteArray batch;
        for (int i = 0; i < kBatch && left->second > 0; ++i, --left->second) {
            const std::uint16_t reason = kReasons[m_random() % std::size(kReasons)];
            const auto message = gateway::LogMessage(
                m_longIds, now, 1001 + static_cast<std::int32_t>(left->second % 1000), reason,
                static_cast<std::int32_t>(left->second % 100));
            batch.append(reinterpret_cast<const char*>(message.data()),
                         static_cast<qsizetype>(message.size()));
        }
        socket->write(batch);
    }
    if (left->second == 0) {
        m_preloadLeft.erase(left);
        Log("backlog sent");
    }
}

void GatewayPeer::OnInteractiveClient() {
    while (QTcpSocket* socket = m_interactiveServer->nextPendingConnection()) {
        Log("console connected to the interactive port");
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void GatewayPeer::OnRequest(QTcpSocket* socket) {
    while (socket->bytesAvailable() >= 2) {
        QByteArray head = socket->peek(2);
        const int length =
            static_cast<unsigned char>(head[0]) | (static_cast<unsigned char>(head[1]) << 8);
        if (length < 22) {
            Log(QString("dropping a request with length %1").arg(length));
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < length) {
            return;
        }
        const QByteArray message = socket->read(length);
        switch (Code(message)) {
            case 6500:
                Log("box information request");
                Write(socket, gateway::BoxInformationResponse(m_options.boxId, 2));
                break;
            case 10001:
                Log("user information request");
                if (!m_options.userIds.empty()) {
                    for (std::size_t i = 0; i < m_options.userIds.size(); ++i) {
                        Write(socket,
                              gateway::UserInformationResponse(m_longIds, m_options.userIds[i],
                                                               static_cast<std::uint16_t>(i % 4)));
                    }
                    break;
                }
                for (int i = 0; i < m_options.users; ++i) {
                    Write(socket, gateway::UserInformationResponse(
                                      m_longIds, 1001 + i, static_cast<std::uint16_t>(i % 4)));
                }
                break;
            case 8000:
                Log(QString("restart request (%1 bytes): restarting").arg(length));
                socket->flush();
                socket->abort();
                QCoreApplication::exit(kRestartExitCode);
                return;
            default:
                Log(QString("ignoring message code %1").arg(Code(message)));
        }
    }
}

bool ParseScript(const QString& text, std::int32_t version, std::vector<gateway::Bytes>* script,
                 QString* error) {
    int lineNumber = 0;
    for (QString line : text.split('\n')) {
        ++lineNumber;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        if (line == "version") {
            script->push_back(gateway::VersionMessage(version));
            continue;
        }
        QByteArray bytes = QByteArray::fromHex(line.remove(' ').toLatin1());
        if (bytes.isEmpty() || line.size() % 2 != 0) {
            *error = QString("line %1: not hex bytes").arg(lineNumber);
            return false;
        }
        script->emplace_back(bytes.begin(), bytes.end());
    }
    return true;
}
