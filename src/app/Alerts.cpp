#include "app/Alerts.h"

#include <QStringList>

#include "views/LogRow.h"

namespace {

constexpr const char* kTime = "HH:mm:ss";

// The trading host link's codes: logged on, or gone (failed, logged off, unreachable).
bool HostLinkUp(int code) {
    return code == 12010;
}
bool HostLinkDown(int code) {
    return (code >= 12001 && code <= 12009) || code == 12013 || code == 12018;
}

QString Program(int market) {
    return QString("qel_ip_%1.exe").arg(MarketLowerName(market));
}

}  // namespace

namespace {

// Each kind's settings key and menu caption, in AlertKind's order.
struct KindNames {
    const char* key;
    const char* caption;
};
constexpr KindNames kKindNames[kAlertKinds] = {
    {"gateway", "A gateway stopping or starting"},
    {"log_page", "A log page losing or regaining its connection"},
    {"trading_host_link", "A gateway's link to the trading host"},
    {"queue_alarm", "Queue alarms"},
};

}  // namespace

const char* AlertKey(AlertKind kind) {
    return kKindNames[static_cast<int>(kind)].key;
}

const char* AlertCaption(AlertKind kind) {
    return kKindNames[static_cast<int>(kind)].caption;
}

AlertHub::AlertHub(int groupMilliseconds, QObject* parent)
    : QObject(parent), m_groupMs(groupMilliseconds) {
    m_flush.setSingleShot(true);
    connect(&m_flush, &QTimer::timeout, this, [this] { FlushDue(false); });
}

void AlertHub::SetInstalled(int market, bool installed) {
    if (Slot(market) >= 0) {
        m_installed[Slot(market)] = installed;
        emit stateChanged();
    }
}

void AlertHub::SetEnabled(AlertKind kind, bool enabled) {
    m_enabled[static_cast<int>(kind)] = enabled;
}

void AlertHub::StatusKnown() {
    m_statusKnown = true;
}

bool AlertHub::Watched(int reasonCode) {
    return HostLinkUp(reasonCode) || HostLinkDown(reasonCode) || reasonCode == 13001 ||
           reasonCode == 13002;
}

void AlertHub::GatewayRunning(int market, bool running) {
    const int slot = Slot(market);
    if (slot < 0 || m_running[slot] == running) {
        return;
    }
    m_running[slot] = running;
    m_gatewayChanged[slot] = QDateTime::currentDateTime();
    if (!running) {
        m_queueAlarm[slot] = false;  // a new process starts with its queues empty
    }
    emit stateChanged();
    if (m_statusKnown) {
        Queue(AlertKind::kGateway, market, running ? "gateway started" : "gateway stopped",
              Program(market) + (running ? " is running" : " is not running"), !running);
    }
}

void AlertHub::PageConnected(int market, bool connected, const QString& said) {
    const int slot = Slot(market);
    if (slot < 0 || m_connected[slot] == connected) {
        return;
    }
    m_connected[slot] = connected;
    emit stateChanged();
    if (!connected) {
        Queue(AlertKind::kPage, market, "log page lost its connection", said, true);
    } else if (m_lossTold[slot]) {
        m_lossTold[slot] = false;
        Queue(AlertKind::kPage, market, "log page connected again", said, false);
    }
}

void AlertHub::Row(int market, const LogRow& row) {
    const int slot = Slot(market);
    if (slot < 0 || !Watched(row.reasonCode)) {
        return;
    }
    const QString sentence = QString::fromStdString(CellTexts(row)[2]);
    const int code = row.reasonCode;
    if (code == 13001 || code == 13002) {
        const bool alarm = code == 13001;
        if (m_queueAlarm[slot] != alarm) {
            m_queueAlarm[slot] = alarm;
            emit stateChanged();
        }
        Queue(AlertKind::kQueue, market, alarm ? "queue alarm" : "queue back to normal", sentence,
              alarm);
        return;
    }
    const bool up = HostLinkUp(code);
    Queue(AlertKind::kHostLink, market,
          up ? "link to the trading host up" : "link to the trading host down", sentence, !up);
}

void AlertHub::Queue(AlertKind kind, int market, const QString& what, const QString& sentence,
                     bool urgent) {
    if (!Enabled(kind)) {
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    Group& group = m_groups[{static_cast<int>(kind), market, what}];
    if (group.count == 0) {
        group.first = now;
    }
    group.last = now;
    group.sentence = sentence;
    group.urgent = group.urgent || urgent;
    ++group.count;
    if (!m_flush.isActive()) {
        m_flush.start(m_groupMs);
    }
}

// Tells every group whose first event is a grouping interval old (or all of them).
void AlertHub::FlushDue(bool all) {
    const QDateTime due = QDateTime::currentDateTime().addMSecs(-m_groupMs);
    QDateTime nextFirst;
    for (auto it = m_groups.begin(); it != m_groups.end();) {
        if (all || it->second.first <= due) {
            const auto [key, group] = *it;
            it = m_groups.erase(it);
            Tell(key, group);
        } else {
            if (nextFirst.isNull() || it->second.first < nextFirst) {
                nextFirst = it->second.first;
            }
            ++it;
        }
    }
    if (!nextFirst.isNull()) {
        const qint64 wait = QDateTime::currentDateTime().msecsTo(nextFirst.addMSecs(m_groupMs));
        m_flush.start(static_cast<int>(std::max<qint64>(1, wait)));
    }
}

void AlertHub::Tell(const Key& key, const Group& group) {
    const auto kind = static_cast<AlertKind>(std::get<0>(key));
    const int market = std::get<1>(key);
    const QString& what = std::get<2>(key);
    const int slot = Slot(market);
    if (kind == AlertKind::kPage && group.urgent) {
        const QDateTime& changed = m_gatewayChanged[slot];
        if (!m_running[slot] || (changed.isValid() && changed.msecsTo(group.first) <= m_groupMs)) {
            return;  // its gateway stopped or started again: that notification tells it
        }
        m_lossTold[slot] = true;
    }
    AlertNote note{kind, QString("%1: %2").arg(MarketName(market), what), QString(), group.urgent};
    if (group.count == 1) {
        note.body = group.last.toString(kTime) + " " + group.sentence;
    } else {
        note.summary += QString(" (%1 times)").arg(group.count);
        note.body =
            QString("%1 to %2 %3")
                .arg(group.first.toString(kTime), group.last.toString(kTime), group.sentence);
    }
    emit notify(note);
}

AlertState AlertHub::State() const {
    AlertState worst = AlertState::kAllRunning;
    for (int slot = 0; slot < kMarketCount; ++slot) {
        if (!m_installed[slot]) {
            continue;
        }
        AlertState state = AlertState::kAllRunning;
        if (!m_running[slot]) {
            state = AlertState::kGatewayDown;
        } else if (!m_connected[slot]) {
            state = AlertState::kPageNotConnected;
        } else if (m_queueAlarm[slot]) {
            state = AlertState::kQueueAlarm;
        }
        worst = std::max(worst, state);
    }
    return worst;
}

QString AlertHub::StateText() const {
    QStringList lines;
    for (int slot = 0; slot < kMarketCount; ++slot) {
        if (!m_installed[slot]) {
            continue;
        }
        const char* name = MarketName(slot + 1);
        if (!m_running[slot]) {
            lines << QString("%1: gateway not running").arg(name);
        } else if (!m_connected[slot]) {
            lines << QString("%1: log page not connected").arg(name);
        } else if (m_queueAlarm[slot]) {
            lines << QString("%1: queue alarm").arg(name);
        }
    }
    return lines.isEmpty() ? QString("ZEVO: all gateways running") : "ZEVO\n" + lines.join('\n');
}
