#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <map>

class QLocalServer;
class QProcess;

// The simulated QEL_IP service: listens on "<service dir>/QEL_IP.sock", accepts control
// code 130 by starting the gateway instances of the installed markets, and starts again an
// instance that exited after a restart request.
class ServicePeer : public QObject {
    Q_OBJECT
  public:
    struct Options {
        QString serviceDir;
        QString gatewayProgram;  // the qel_gateway binary
        QString instanceDir;     // where the qel_ip_<market>.exe links are made
        QStringList gatewayArguments;
        // More arguments for the gateways of single markets (market code -> arguments).
        std::map<int, QStringList> marketArguments;
        // A gateway that ends without a restart request (killed, crashed) is started again
        // after this many milliseconds; negative: it stays down, as with the real service.
        int restartEndedAfterMs = -1;
    };

    explicit ServicePeer(Options options, QObject* parent = nullptr);
    ~ServicePeer() override;
    bool Listen(QString* error);
    // Starts every installed market's gateway that is not running yet.
    void StartApplications();
    void StopAll();

  private:
    void OnClient();
    void StartInstance(int market);
    void Log(const QString& text) const;

    Options m_options;
    QLocalServer* m_server;
    std::map<int, QProcess*> m_instances;
    bool m_stopping = false;
};
