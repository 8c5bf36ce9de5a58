#include "ServicePeer.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "GatewayPeer.h"
#include "SignalExit.h"
#include "SimSettings.h"
#include "core/MarketType.h"
#include "platform/SettingsStore.h"

namespace {
constexpr int kStartApplicationsCode = 130;
}  // namespace

ServicePeer::ServicePeer(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_server(new QLocalServer(this)) {
    connect(m_server, &QLocalServer::newConnection, this, &ServicePeer::OnClient);
}

ServicePeer::~ServicePeer() {
    StopAll();
}

void ServicePeer::Log(const QString& text) const {
    std::fprintf(stderr, "qel_service: %s\n", qPrintable(text));
}

bool ServicePeer::Listen(QString* error) {
    QDir().mkpath(m_options.serviceDir);
    QString path = m_options.serviceDir + "/QEL_IP.sock";
    QLocalServer::removeServer(path);  // a socket left by a service that died
    if (!m_server->listen(path)) {
        *error = m_server->errorString();
        return false;
    }
    Log("QEL_IP listening on " + path);
    return true;
}

void ServicePeer::OnClient() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            const QByteArray line = socket->readLine().trimmed();
            if (line == "CONTROL " + QByteArray::number(kStartApplicationsCode)) {
                Log("control code 130: starting applications");
                socket->write("OK\n");
                socket->flush();
                StartApplications();
            } else {
                Log("refusing request '" + QString::fromLatin1(line) + "'");
                socket->write("ERR unsupported\n");
            }
            socket->disconnectFromServer();
        });
    }
}

void ServicePeer::StartApplications() {
    for (int market : InstalledMarketCodes(platform::DefaultSettingsStore())) {
        if (!m_instances.count(market)) {
            StartInstance(market);
        }
    }
}

void ServicePeer::StartInstance(int market) {
    QDir().mkpath(m_options.instanceDir);
    const QString link = m_options.instanceDir + "/qel_ip_" + MarketLowerName(market) + ".exe";
    QFile::remove(link);
    QFile::link(m_options.gatewayProgram, link);
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setProgram(link);
    QStringList arguments = m_options.gatewayArguments;
    if (auto extra = m_options.marketArguments.find(market);
        extra != m_options.marketArguments.end()) {
        arguments += extra->second;
    }
    process->setArguments(arguments);
    process->setChildProcessModifier(UnblockTerminationSignals);
    connect(process, &QProcess::finished, this, [this, market, process](int code) {
        m_instances.erase(market);
        process->deleteLater();
        if (m_stopping) {
            return;
        }
        if (code == GatewayPeer::kRestartExitCode) {
            Log(QString("qel_ip_%1.exe restarting").arg(MarketLowerName(market)));
            StartInstance(market);
        } else {
            Log(QString("qel_ip_%1.exe exited with %2").arg(MarketLowerName(market)).arg(code));
            if (m_options.restartEndedAfterMs >= 0) {
                QTimer::singleShot(m_options.restartEndedAfterMs, this, [this, market] {
                    if (!m_stopping && !m_instances.count(market)) {
                        StartInstance(market);
                    }
                });
            }
        }
    });
    m_instances[market] = process;
    process->start();
    Log(QString("started qel_ip_%1.exe").arg(MarketLowerName(market)));
}

void ServicePeer::StopAll() {
    m_stopping = true;
    // Each instance's finished handler edits the table: work on a copy.
    std::map<int, QProcess*> instances;
    instances.swap(m_instances);
    for (auto& [market, process] : instances) {
        process->terminate();
    }
    for (auto& [market, process] : instances) {
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
    if (m_server->isListening()) {
        m_server->close();
    }
}
