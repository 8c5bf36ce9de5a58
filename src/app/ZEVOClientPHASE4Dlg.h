#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "app/StatusThread.h"
#include "core/GatewayHost.h"
#include "core/InstalledMarkets.h"
#include "core/MachineServices.h"
#include "views/VerticalScroll.h"

class GatewayDayWatch;
class QVBoxLayout;
class ActivityLog;
class QAction;
class QMenu;
class QMenuBar;
class QScrollBar;
class QTreeWidget;
class AlertHub;
class CGenericLogs;
class DesktopAlerts;
class CGenericStatistics;
class CViewTabCtrl;
class StatisticsThread;
class StatusThread;
namespace platform {
class ProcessList;
class SettingsStore;
class SingleInstance;
}  // namespace platform

// The main window: gateway status list top left, statistics tabs top right, log tabs below,
// and the menu with one command per market. Its whole life is the life of the program.
class CZEVOClientPHASE4Dlg : public QDialog,
                             public MarketMenu,
                             public LogPageConnector,
                             public GatewayHost {
    Q_OBJECT
  public:
    // Everything the window does to the machine goes through `machine`, whose seams it
    // installs for its life.
    explicit CZEVOClientPHASE4Dlg(const MachineServices& machine, QWidget* parent = nullptr);
    ~CZEVOClientPHASE4Dlg() override;

    // Start-up after construction: reads the installed markets and builds the pages.
    // `arguments` are the program's arguments after its name: "-c" and a market code open that
    // market's gateway configuration once the window is up.
    void OnInitDialog(const QStringList& arguments = {});
    void ExitZEVO();
    // The end itself, without the question: stops the status and statistics threads and ends
    // the window. Also how a termination signal (SIGTERM, SIGHUP) ends the program.
    void EndZEVO();
    // Opens zevo_ip_help.chm from the working directory when it exists.
    void ZEVOHelp();

    // The menu command with this id, or null.
    QAction* Command(int id) const;
    const InstalledMarkets& Markets() const { return m_installed; }
    CGenericLogs* LogPage(int k) const {
        return k >= 0 && k < kMarketCount ? m_logPages[k] : nullptr;
    }
    AlertHub* Alerts() const { return m_alerts; }
    CGenericStatistics* StatisticsPage(int k) const {
        return k >= 0 && k < 8 ? m_statisticsPages[k] : nullptr;
    }
    CViewTabCtrl* LogTabs() const { return m_logTabs; }
    CViewTabCtrl* StatisticsTabs() const { return m_statisticsTabs; }
    QTreeWidget* StatusList() const { return m_statusList; }
    const VerticalScroll& Scroll() const { return m_scroll; }
    QScrollBar* ScrollBar() const { return m_scrollBar; }
    QRect StartupRect() const { return m_startupRect; }

    // GatewayHost, for the dialogs
    bool IsGatewayRunning(int marketCode) const override;
    void PostCommand(int commandId) override;
    ActivityLog* Log() const override { return m_log; }
    int GatewayLogPort(int marketCode) const override;

    // Runs the command with this id, as its menu entry does.
    void OnCommand(int id);

    // MarketMenu
    bool HasMenu() const override { return true; }
    void EnableMarketCommand(MarketCommand command, int slot) override;
    void GrayFixPopups() override;

    // LogPageConnector, for the status thread
    bool HasSession(int row) const override;
    void Connect(int row) override;

    void accept() override {}  // Enter never closes the window
    void reject() override { ExitZEVO(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildMenu();
    void BuildPages();
    // The first starts no thread: it gives each log page its ports (the pages' sessions run
    // on the GUI thread). The second starts the one statistics thread for all pages.
    void despatch_threads_for_logs_windows();
    void despatch_threads_for_statistics_windows();
    void StartStatusThread();
    void StartAlerts();
    void OnScrollAction(int action);
    void OnSize();
    bool ExceedsStartup(const QSize& size) const;
    void RestoreStartupRect();
    void CaptureStartupRect();
    void FitToScreen();
    void KeepFrameOnScreen(const QRect& frame);

    QMenu* AddMarketPopup(QMenu* parent, const char* caption, const int ids[7], bool grayed,
                          const char* description);
    void RegisterCommands();
    void OpenAbout();
    void OpenActiveUsers(int market);
    void OpenGatewayConfiguration(int market, bool startupForm);
    static std::string HelpFilePath();
    static void OpenHelpFile(const std::string& path);
    void OpenCommonConfiguration();
    void OpenFixUsers(int market);
    void OpenFixConfiguration(int market);
    void OpenConfigurationHistory(int market);
    void HandleCommandLine(const QStringList& arguments);

    MachineServices m_machine;
    InstalledMachine m_installedMachine;
    ActivityLog* m_log;  // owned; outlives every child of the window
    const platform::SettingsStore& m_store;
    InstalledMarkets m_installed;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_fixMenu = nullptr;
    std::map<int, QAction*> m_commands;
    std::map<int, std::function<void()>> m_handlers;  // command id -> what it does
    QTreeWidget* m_statusList = nullptr;
    QVBoxLayout* m_statusColumn = nullptr;
    GatewayDayWatch* m_dayWatch = nullptr;
    CViewTabCtrl* m_logTabs = nullptr;
    CViewTabCtrl* m_statisticsTabs = nullptr;
    CGenericLogs* m_logPages[kMarketCount] = {};
    // Whether the gateway of each status-list row runs, as the status thread last saw it.
    std::array<bool, kMarketCount> m_rowRuns{};
    AlertHub* m_alerts = nullptr;
    DesktopAlerts* m_desktopAlerts = nullptr;
    CGenericStatistics* m_statisticsPages[8] = {};
    QWidget* m_viewport = nullptr;  // clips the content, which scrolls inside it
    QWidget* m_content = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    VerticalScroll m_scroll;
    QRect m_startupRect;    // frame
    QRect m_startupClient;  // client area
    bool m_frameKeptOnScreen = false;
    bool m_startupFinal = false;
    bool m_activated = false;
    const platform::ProcessList* m_processes;
    std::unique_ptr<platform::SingleInstance> m_instance;
    std::unique_ptr<StatusThread> m_statusThread;
    std::unique_ptr<StatisticsThread> m_statisticsThread;
};
