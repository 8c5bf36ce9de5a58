#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "link/MessageSink.h"

class ActivityLog;
class CGenericLogs;
class CZEVOHelper;
class LogFilterBar;
class LogListView;
class LogMessageModel;
struct LogRow;
class LogVolumeStrip;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;

// What the main window hands to a log view's connection set-up. Only the non-interactive
// port is connected to; the interactive port is only logged.
struct INPUT_FOR_LOGS_THREAD {
    CGenericLogs* view;
    int interface_thread_interactive_port;
    int interface_thread_non_interactive_port;
    ActivityLog* log;
};

// One market's gateway log page: a session to the gateway's non-interactive port, the
// version check that unlocks the display, and the list of log messages, newest on top.
// Everything runs on the GUI thread; the status thread only reads the session, address and
// port, which do not change after InitConnectionData.
class CGenericLogs : public QWidget, public CMessageSink {
    Q_OBJECT
  public:
    explicit CGenericLogs(QWidget* parent = nullptr);
    CGenericLogs(ActivityLog* log, QWidget* parent);
    ~CGenericLogs() override;

    void SetMarketType(int marketType) { m_marketType = marketType; }
    int MarketType() const { return m_marketType; }
    // Told each row of the gateway's link to the trading host (12xxx) and of its queues
    // (13xxx) as it arrives.
    void SetRowWatch(std::function<void(const LogRow&)> watch) { m_rowWatch = std::move(watch); }
    // The main window's gateway status list, whose Version column this view writes.
    void SetStatusList(QTreeWidget* statusList) { m_statusList = statusList; }
    // Whether the page's gateway runs now, as the window knows it: while it runs and the page
    // has no connection, the page tries again.
    void SetGatewayRuns(std::function<bool()> runs) { m_gatewayRuns = std::move(runs); }

    void InitConnectionData(const INPUT_FOR_LOGS_THREAD& input);
    // The connection attempt made when the gateway's process appears. While the gateway runs
    // and the page has no connection (the gateway listens late, or dropped the connection),
    // the page tries again after 1, 2, 4 and 8 seconds and then every 10 seconds, with one
    // line in the activity log when it starts doing so.
    void ConnectToGateway();
    // The window's word on whether the gateway's process runs: a page without a connection
    // waits for it.
    void SetGatewayRunning(bool running);
    // What the page says of its connection, above the list.
    QString ConnectionState() const;
    CZEVOHelper* Session() const { return m_session.get(); }
    const std::string& GatewayAddress() const { return m_address; }
    const std::string& GatewayPort() const { return m_port; }
    // 2 until an acceptable version arrives, then 1 for the rest of the run.
    int VersionState() const { return m_versionState; }

    int RouteMessage(const unsigned char* message, std::uint16_t messageCode) override;
    void OnConnectionEstablished() override;
    void OnConnectionLost() override;

    void SetVersionInStatusList(const char* marketName, int version);

  signals:
    // The page's connection came or went, or its state text changed.
    void connectionStateChanged(bool connected, const QString& text);

  public:
    // Whether the received version is acceptable for this view's market; sets the market's
    // user-ID width flag on the way.
    bool compatible(int received, int required);

    LogMessageModel& Model() { return *m_model; }
    LogListView* List() const { return m_list; }
    LogFilterBar* FilterBar() const { return m_filterBar; }
    LogVolumeStrip* VolumeStrip() const { return m_volume; }
    // The button that lets every time through again, shown while a range picked on the strip
    // filters the list.
    QPushButton* TimeRangeButton() const { return m_timeRange; }

  private:
    void OnVersionMessage(const unsigned char* message);
    bool GatewayRuns() const;
    void RetryLater();
    void Retry();
    void ShowConnectionState(bool connected, const QString& text);

    ActivityLog* m_log = nullptr;
    std::unique_ptr<CZEVOHelper> m_session;
    int m_versionState = 2;
    int m_marketType = -1;
    std::string m_address;
    std::string m_port;
    QTreeWidget* m_statusList = nullptr;
    std::function<bool()> m_gatewayRuns;
    std::function<void(const LogRow&)> m_rowWatch;
    QTimer* m_retryTimer;
    int m_retries = 0;          // attempts made since the last connection or first attempt
    bool m_connected = false;   // a connection is up
    bool m_connecting = false;  // an attempt is under way
    std::string m_problem = "No connection";  // why the last attempt did not connect
    LogMessageModel* m_model;
    LogListView* m_list;
    LogFilterBar* m_filterBar;
    QLabel* m_connectionState;
    LogVolumeStrip* m_volume;
    QPushButton* m_timeRange;
    void GoToTime(qint64 from, qint64 to);
    void FilterTime(qint64 from, qint64 to);
};
