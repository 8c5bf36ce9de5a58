#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "FixAcceptor.h"
#include "GatewayMessages.h"

class QTcpServer;
class QTcpSocket;

// A simulated QEL gateway instance for one market: its non-interactive port sends the
// version message and then log messages; its interactive port answers box and user
// information requests and restarts on the restart request. A FIX market's gateway also runs
// a FIX engine's acceptor from the market's FIX file; each FIX user's logon and logout goes
// to the log port as a log message.
class GatewayPeer : public QObject {
    Q_OBJECT
  public:
    struct Options {
        int market = 1;
        int nonInteractivePort = 0;
        int interactivePort = 0;
        std::int32_t version = 10101;
        double rate = 2.0;       // log messages per second in lively mode
        qint64 preload = 0;      // log messages sent in bulk to each console after the version
        int preloadDelayMs = 0;  // ... this long after it connected
        std::vector<gateway::Bytes> script;           // when set: written, one write each, instead
                                                      // of the version and lively messages
        std::vector<gateway::Bytes> reconnectScript;  // when set: for every later connection
        int users = 5;
        std::vector<std::int32_t> userIds;  // when set: these users, in this order
        std::uint16_t boxId = 101;
        std::string fixFile;     // when set: the FIX acceptor's settings
        bool fixLogging = true;  // the FIX engine writes its message logs
    };
    static constexpr int kRestartExitCode = 75;

    explicit GatewayPeer(Options options, QObject* parent = nullptr);
    ~GatewayPeer() override;
    // Starts the FIX acceptor (a FIX file it cannot use is reported, and the gateway goes on
    // without one), then listens on both ports.
    bool Listen(QString* error);
    quint16 LogPort() const;
    quint16 InteractivePort() const;

  private:
    void OnLogClient();
    void OnInteractiveClient();
    void OnRequest(QTcpSocket* socket);
    void StartLively();
    void SendLively();
    void SendOneLively();
    void Preload(QTcpSocket* socket);
    bool StartFix(QString* failure);
    void SendFixEvent(const QString& targetCompId, std::uint16_t reason);
    void SendToConsoles(const gateway::Bytes& message);
    void Log(const QString& text) const;

    Options m_options;
    bool m_longIds;
    QTcpServer* m_logServer;
    QTcpServer* m_interactiveServer;
    std::vector<QTcpSocket*> m_logClients;
    int m_logConnections = 0;
    QTimer m_lively;
    // The messages due are counted from the start, so any rate is kept on average: above
    // 100 a second, several go out at each 10 ms tick.
    QElapsedTimer m_livelyClock;
    qint64 m_livelySent = 0;
    std::map<QTcpSocket*, qint64> m_preloadLeft;  // per console: bulk messages still to send
    std::mt19937 m_random{std::random_device{}()};
    std::unique_ptr<fix_sim::FixAcceptor> m_fix;
};

// Reads a script: one write per line, bytes in hex ("28 00 ..."); "version" stands for the
// version message; blank lines and lines starting with '#' are skipped.
bool ParseScript(const QString& text, std::int32_t version, std::vector<gateway::Bytes>* script,
                 QString* error);
