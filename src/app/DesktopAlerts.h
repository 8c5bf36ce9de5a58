#pragma once

#include <QObject>
#include <QString>

#include "app/Alerts.h"

class ActivityLog;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// Where the alerts reach an operator who is not looking at the window: a tray icon whose
// shape and tooltip are the gateways' worst state, with a menu to show the window, and desktop
// notifications through the freedesktop notification service on the session bus. Which kinds
// are told is the operator's choice, kept in zevo's own settings file
// ($XDG_CONFIG_HOME/zevo/zevo.ini, [notify]). Without a tray or a notification service
// nothing fails: the activity log says so once.
class DesktopAlerts : public QObject {
    Q_OBJECT
  public:
    DesktopAlerts(AlertHub* hub, ActivityLog* log, QWidget* window);
    ~DesktopAlerts() override;

    // "Notify me of": one check box per kind, for the window's own menu and the tray's.
    QMenu* KindsMenu() const { return m_kinds; }
    QSystemTrayIcon* Tray() const { return m_tray; }

  private:
    void Send(const AlertNote& note);
    void UpdateTray();
    void SayOnce(bool& said, const QString& text);

    AlertHub* m_hub;
    ActivityLog* m_log;
    QWidget* m_window;
    QMenu* m_kinds;
    QMenu* m_trayMenu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_saidNoTray = false;
    bool m_saidNoService = false;
};
