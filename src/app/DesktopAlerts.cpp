#include "app/DesktopAlerts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QWidget>

#include "log/ActivityLog.h"
#include "log/Format.h"

namespace {

QSettings ZevoSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "zevo", "zevo");
}

// A shape per state, so it reads without colour: a filled disc (all running), a triangle (a
// queue alarm), a ring (a page not connected), a square with a cross (a gateway down).
QIcon StateIcon(AlertState state, const QPalette& palette) {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor outline = palette.color(QPalette::WindowText);
    painter.setPen(QPen(outline, 4));
    switch (state) {
        case AlertState::kAllRunning:
            painter.setBrush(QColor(0x2e, 0x8b, 0x57));
            painter.drawEllipse(QRectF(6, 6, 52, 52));
            break;
        case AlertState::kQueueAlarm: {
            QPainterPath triangle;
            triangle.moveTo(32, 4);
            triangle.lineTo(60, 58);
            triangle.lineTo(4, 58);
            triangle.closeSubpath();
            painter.setBrush(QColor(0xe6, 0xa1, 0x17));
            painter.drawPath(triangle);
            painter.drawLine(32, 24, 32, 42);
            painter.drawPoint(32, 50);
            break;
        }
        case AlertState::kPageNotConnected:
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(QColor(0xe6, 0xa1, 0x17), 10));
            painter.drawEllipse(QRectF(9, 9, 46, 46));
            break;
        case AlertState::kGatewayDown:
            painter.setBrush(QColor(0xc0, 0x39, 0x2b));
            painter.drawRect(QRectF(6, 6, 52, 52));
            painter.setPen(QPen(Qt::white, 7));
            painter.drawLine(20, 20, 44, 44);
            painter.drawLine(44, 20, 20, 44);
            break;
    }
    return QIcon(pixmap);
}

}  // namespace

DesktopAlerts::DesktopAlerts(AlertHub* hub, ActivityLog* log, QWidget* window)
    : QObject(window), m_hub(hub), m_log(log), m_window(window) {
    m_kinds = new QMenu("&Notify me of", window);
    m_kinds->setObjectName("notifyKinds");
    QSettings settings = ZevoSettings();
    for (int k = 0; k < kAlertKinds; ++k) {
        const auto kind = static_cast<AlertKind>(k);
        const QString key = QString("notify/%1").arg(AlertKey(kind));
        const bool on = settings.value(key, true).toBool();
        m_hub->SetEnabled(kind, on);
        QAction* action = m_kinds->addAction(AlertCaption(kind));
        action->setCheckable(true);
        action->setChecked(on);
        connect(action, &QAction::toggled, this, [this, kind, key](bool checked) {
            m_hub->SetEnabled(kind, checked);
            ZevoSettings().setValue(key, checked);
        });
    }
    connect(m_hub, &AlertHub::notify, this, &DesktopAlerts::Send);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        SayOnce(m_saidNoTray, "No system tray: the gateways' state shows in the window only");
        return;
    }
    m_tray = new QSystemTrayIcon(this);
    m_trayMenu = new QMenu(window);
    m_trayMenu->addAction("&Show ZEVO", this, [this] {
        m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
    });
    m_trayMenu->addMenu(m_kinds);
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger) {
                    m_window->showNormal();
                    m_window->raise();
                    m_window->activateWindow();
                }
            });
    connect(m_hub, &AlertHub::stateChanged, this, &DesktopAlerts::UpdateTray);
    UpdateTray();
    m_tray->show();
}

DesktopAlerts::~DesktopAlerts() = default;

void DesktopAlerts::UpdateTray() {
    if (m_tray) {
        m_tray->setIcon(StateIcon(m_hub->State(), m_window->palette()));
        m_tray->setToolTip(m_hub->StateText());
    }
}

void DesktopAlerts::SayOnce(bool& said, const QString& text) {
    if (!said) {
        said = true;
        ZEVO_LOG_ACTIVITY(m_log, "DesktopAlerts", text.toStdString());
    }
}

void DesktopAlerts::Send(const AlertNote& note) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        SayOnce(m_saidNoService, "Desktop notifications cannot be shown: no D-Bus session bus");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    const QVariantMap hints{{"urgency", QVariant::fromValue<uchar>(note.urgent ? 2 : 1)},
                            {"category", "network"},
                            {"desktop-entry", "zevo"}};
    call << QString("ZEVO") << 0u << QString("zevo") << note.summary << note.body << QStringList()
         << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            SayOnce(m_saidNoService,
                    "Desktop notifications cannot be shown: " + reply.error().message());
        }
        w->deleteLater();
    });
}
