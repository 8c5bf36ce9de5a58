#pragma once

#include <QDialog>
#include <map>
#include <memory>

#include "app/InstalledMarkets.h"

class ActivityLog;
class QAction;
class QMenu;
class QMenuBar;
class QTabWidget;
class QTreeWidget;
class StatusThread;
namespace platform {
class SingleInstance;
}
namespace platform {
class SettingsStore;
}

// The main window: gateway status list top left, statistics tabs top right, log tabs below,
// and the menu with one command per market. Its whole life is the life of the program.
class CZEVOClientPHASE4Dlg : public QDialog, public MarketMenu {
    Q_OBJECT
public:
    CZEVOClientPHASE4Dlg(const platform::SettingsStore& store, QWidget* parent = nullptr);
    ~CZEVOClientPHASE4Dlg() override;

    // Start-up after construction: reads the installed markets and builds the pages.
    // `arguments` are the program's arguments after its name: "-c" and a market code open that
    // market's gateway configuration once the window is up.
    void OnInitDialog(const QStringList& arguments = {});
    void ExitZEVO();
    // Opens zevo_ip_help.chm from the working directory when it exists.
    void ZEVOHelp();

    // The menu command with this id, or null.
    QAction* Command(int id) const;
    const InstalledMarkets& Markets() const { return m_installed; }
    ActivityLog* Log() const { return m_log; }

    // MarketMenu
    bool HasMenu() const override { return true; }
    void EnableMenuCommand(int commandId) override;
    void GrayFixPopups() override;

    void accept() override {}  // Enter never closes the window
    void reject() override { ExitZEVO(); }

private:
    void BuildMenu();
    QMenu* AddMarketPopup(QMenu* parent, const char* caption, const int ids[7], bool grayed);
    void OnCommand(int id);
    void HandleCommandLine(const QStringList& arguments);

    ActivityLog* m_log;  // lives until the process ends
    const platform::SettingsStore& m_store;
    InstalledMarkets m_installed;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_fixMenu = nullptr;
    std::map<int, QAction*> m_commands;
    QTreeWidget* m_statusList = nullptr;
    QTabWidget* m_logTabs = nullptr;
    QTabWidget* m_statisticsTabs = nullptr;
    std::unique_ptr<platform::SingleInstance> m_instance;
    std::unique_ptr<StatusThread> m_statusThread;
};
