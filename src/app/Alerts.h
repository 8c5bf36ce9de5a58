#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <map>
#include <tuple>

#include "core/MarketType.h"

struct LogRow;

// What an operator can be told of without looking at the window.
enum class AlertKind { kGateway, kPage, kHostLink, kQueue };
inline constexpr int kAlertKinds = 4;
// The kind's name in zevo's settings file, and in the menu that turns it on and off.
const char* AlertKey(AlertKind kind);
const char* AlertCaption(AlertKind kind);

// One desktop notification.
struct AlertNote {
    AlertKind kind;
    QString summary;  // "FO: gateway stopped"
    QString body;     // "09:14:03 qel_ip_fo.exe is not running"
    bool urgent;      // something went down
};

// The gateways' state as the tray shows it: the worst of them.
enum class AlertState { kAllRunning, kQueueAlarm, kPageNotConnected, kGatewayDown };

// Turns what the window sees (gateway processes, log pages' connections, the rows of the
// gateways' link to the trading host and of their queues) into notifications: one per event,
// with the market, the time and the reason sentence. Events of one kind and market that come
// within a second of the first are told as one ("FO: queue alarm (100 times)"), so a burst
// never becomes hundreds of popups. A page that loses its connection because its gateway
// stopped or started again (within that second) is told by the gateway's notification alone.
class AlertHub : public QObject {
    Q_OBJECT
  public:
    explicit AlertHub(int groupMilliseconds = 1000, QObject* parent = nullptr);

    void SetInstalled(int market, bool installed);
    void SetEnabled(AlertKind kind, bool enabled);
    bool Enabled(AlertKind kind) const { return m_enabled[static_cast<int>(kind)]; }

    // The first look at the processes is done: what changes from now on is news.
    void StatusKnown();
    bool StatusIsKnown() const { return m_statusKnown; }
    void GatewayRunning(int market, bool running);
    void PageConnected(int market, bool connected, const QString& said);
    // A row of a log page; only the trading host link's and the queues' rows count.
    void Row(int market, const LogRow& row);
    // Whether a row of this reason code is one Row() looks at.
    static bool Watched(int reasonCode);

    AlertState State() const;
    // The state in words, one line per market that is not as it should be.
    QString StateText() const;

  signals:
    void notify(const AlertNote& note);
    void stateChanged();

  private:
    struct Group {
        QString sentence;
        QDateTime first;
        QDateTime last;
        int count = 0;
        bool urgent = false;
    };
    using Key = std::tuple<int, int, QString>;  // kind, market, what happened

    void Queue(AlertKind kind, int market, const QString& what, const QString& sentence,
               bool urgent);
    void FlushDue(bool all);
    void Tell(const Key& key, const Group& group);
    static int Slot(int market) { return IsMarketCode(market) ? market - 1 : -1; }

    int m_groupMs;
    std::array<bool, kAlertKinds> m_enabled{true, true, true, true};
    bool m_statusKnown = false;
    std::array<bool, kMarketCount> m_installed{};
    std::array<bool, kMarketCount> m_running{};
    std::array<bool, kMarketCount> m_connected{};
    std::array<bool, kMarketCount> m_lossTold{};  // a lost connection was told
    std::array<bool, kMarketCount> m_queueAlarm{};
    std::array<QDateTime, kMarketCount> m_gatewayChanged;  // when its process came or went
    std::map<Key, Group> m_groups;
    QTimer m_flush;
};
