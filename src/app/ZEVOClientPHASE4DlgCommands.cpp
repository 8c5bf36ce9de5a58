// The main window's menu and the commands it carries.
#include <QAction>
#include <QMenuBar>
#include <QShortcut>

#include "app/AboutDlg.h"
#include "app/ControlIds.h"
#include "app/GatewayStatus.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "config/CommonConfig.h"
#include "config/ConfigHistoryDialog.h"
#include "config/FixConfiguration.h"
#include "config/FixUserSessions.h"
#include "config/GenericConfiguration.h"
#include "core/CommandIds.h"
#include "core/GatewayProcess.h"
#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/ServiceControl.h"
#include "views/GenericActiveUsersList.h"

namespace {
const char* const kMarketCaptions[7] = {"&CM", "&FO", "&WDM", "&IPO", "C&D", "&SLBM", "&MF"};

}  // namespace

// `description` is the command's description with "%s" for the market's name; the window has
// no status bar, so it serves as the entry's status tip.
QMenu* CZEVOClientPHASE4Dlg::AddMarketPopup(QMenu* parent, const char* caption, const int ids[7],
                                            bool grayed, const char* description) {
    QMenu* popup = parent->addMenu(caption);
    for (int i = 0; i < kMarketCount; ++i) {
        QAction* action = popup->addAction(kMarketCaptions[i]);
        action->setStatusTip(QString::fromStdString(Fmt(description, MarketName(i + 1))));
        action->setObjectName(QString::number(ids[i]));
        action->setEnabled(!grayed);
        m_commands[ids[i]] = action;
        const int id = ids[i];
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
    return popup;
}

void CZEVOClientPHASE4Dlg::BuildMenu() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(control_id::kMenuBar);
    auto addCommand = [this](QMenu* menu, const char* caption, int id) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::number(id));
        m_commands[id] = action;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        return action;
    };
    QMenu* qel = m_menuBar->addMenu("&QEL");
    QMenu* configuration = AddMarketPopup(qel, "QEL &Configuration", cmd::kQelConfiguration, true,
                                          "Configure Setting for %s market");
    addCommand(configuration, "COMMO&N", cmd::kCommonConfiguration)
        ->setStatusTip("Configure Setting for parameters which are common to all markets");
    AddMarketPopup(qel, "Configuration &History", cmd::kConfigurationHistory, true,
                   "Show the saves of the %s market's configuration, and restore one");
    AddMarketPopup(qel, "Show Active &Users", cmd::kActiveUsers, true,
                   "Show users connected to %s market.");
    addCommand(qel, "Start &Applications", cmd::kStartApplications);
    m_fixMenu = m_menuBar->addMenu("&FIX");
    AddMarketPopup(m_fixMenu, "User &Configuration", cmd::kFixUserConfiguration, true,
                   "Configure FIX Users for %s market");
    AddMarketPopup(m_fixMenu, "&Session Configuration", cmd::kFixSessionConfiguration, true,
                   "Configure FIX Sessions for %s market");
    QMenu* help = m_menuBar->addMenu("&Help");
    // The entry shows its key in its own text; the key itself is the framework's help command.
    addCommand(help, "&ZEVO Help            F1", cmd::kHelp)->setStatusTip("Shows Help");
    auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, this, [this] { OnCommand(cmd::kHelpKey); });
    addCommand(help, "&About ZEVO", cmd::kAbout)->setStatusTip("Displays Information about ZEVO");
    addCommand(help, "E&xit", cmd::kExit)->setStatusTip("Exits ZEVO");

    // The window manager owns the system menu here, so the window's own context menu carries
    // its "About" entry.
    auto* systemAbout = new QAction("&About ZEVO", this);
    systemAbout->setObjectName(QString::number(cmd::kSystemAbout));
    m_commands[cmd::kSystemAbout] = systemAbout;
    connect(systemAbout, &QAction::triggered, this, [this] { OnCommand(cmd::kSystemAbout); });
    addAction(systemAbout);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    RegisterCommands();
}

// One table maps every command id to its handler; menu entries and posted commands both go
// through OnCommand.
void CZEVOClientPHASE4Dlg::RegisterCommands() {
    m_handlers[cmd::kExit] = [this] { ExitZEVO(); };
    m_handlers[cmd::kHelp] = [this] { ZEVOHelp(); };
    m_handlers[cmd::kHelpKey] = [this] { OpenHelpFile(HelpFilePath()); };
    m_handlers[cmd::kAbout] = [this] { OpenAbout(); };
    m_handlers[cmd::kSystemAbout] = [this] { OpenAbout(); };
    m_handlers[cmd::kStartApplications] = [this] {
        platform::ServiceControl services(m_machine.serviceDirectory);
        StartApplications(services, *m_log, this);
    };
    m_handlers[cmd::kCommonConfiguration] = [this] { OpenCommonConfiguration(); };
    for (int market = 1; market <= kMarketCount; ++market) {
        m_handlers[cmd::kActiveUsers[market - 1]] = [this, market] { OpenActiveUsers(market); };
        m_handlers[cmd::kQelConfiguration[market - 1]] = [this, market] {
            OpenGatewayConfiguration(market, false);
        };
        m_handlers[cmd::kConfigurationHistory[market - 1]] = [this, market] {
            OpenConfigurationHistory(market);
        };
        m_handlers[cmd::kFixUserConfiguration[market - 1]] = [this, market] {
            OpenFixUsers(market);
        };
        m_handlers[cmd::kFixSessionConfiguration[market - 1]] = [this, market] {
            OpenFixConfiguration(market);
        };
        // The start-up form, posted by "-c": the same dialog, which then never starts the
        // applications itself.
        m_handlers[cmd::kStartupConfigurationBase + market] = [this, market] {
            OpenGatewayConfiguration(market, true);
        };
    }
}

QAction* CZEVOClientPHASE4Dlg::Command(int id) const {
    auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

void CZEVOClientPHASE4Dlg::EnableMarketCommand(MarketCommand command, int slot) {
    if (QAction* action = Command(cmd::MarketCommandId(command, slot))) {
        action->setEnabled(true);
    }
    // A market whose configuration can be edited has a history of its saves.
    if (command == MarketCommand::QelConfiguration) {
        if (QAction* action = Command(cmd::kConfigurationHistory[slot])) {
            action->setEnabled(true);
        }
    }
}

void CZEVOClientPHASE4Dlg::GrayFixPopups() {
    const auto popups = m_fixMenu->actions();
    for (int i = 0; i < 2 && i < popups.size(); ++i) {
        popups[i]->setEnabled(false);
    }
}

void CZEVOClientPHASE4Dlg::OnCommand(int id) {
    auto handler = m_handlers.find(id);
    if (handler != m_handlers.end()) {
        handler->second();
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::OnCommand",
                      Fmt("Command %d is not available in this build", id));
}

void CZEVOClientPHASE4Dlg::OpenAbout() {
    CAboutDlg about(m_store, this);
    about.exec();
}

void CZEVOClientPHASE4Dlg::OpenActiveUsers(int market) {
    const MarketSettings& settings = m_installed.markets[market - 1];
    CGenericActiveUsersList users(market, settings.interface_thread_interactive_port, m_log,
                                  nullptr);
    users.exec();
}

void CZEVOClientPHASE4Dlg::OpenGatewayConfiguration(int market, bool startupForm) {
    const MarketSettings& settings = m_installed.markets[market - 1];
    CGenericConfiguration dialog(
        market, settings.config_file_path, settings.fix_config_file_path,
        static_cast<std::uint16_t>(settings.interface_thread_interactive_port), m_log, this,
        startupForm ? 1 : 0, this);
    dialog.DoModal();
}

void CZEVOClientPHASE4Dlg::OpenCommonConfiguration() {
    CCommonConfig dialog(COMMON, m_installed.common_config_file_path, m_log, this);
    dialog.DoModal();
}

void CZEVOClientPHASE4Dlg::OpenFixUsers(int market) {
    const MarketSettings& settings = m_installed.markets[market - 1];
    CFixUserSessions dialog(market, settings.config_file_path, settings.fix_config_file_path,
                            static_cast<std::uint16_t>(settings.interface_thread_interactive_port),
                            m_log, this, this);
    dialog.DoModal();
}

void CZEVOClientPHASE4Dlg::OpenFixConfiguration(int market) {
    const MarketSettings& settings = m_installed.markets[market - 1];
    CFixConfiguration dialog(market, settings.config_file_path, settings.fix_config_file_path,
                             static_cast<std::uint16_t>(settings.interface_thread_interactive_port),
                             m_log, this, this);
    dialog.DoModal();
}

void CZEVOClientPHASE4Dlg::OpenConfigurationHistory(int market) {
    const MarketSettings& settings = m_installed.markets[market - 1];
    std::vector<std::string> files{settings.config_file_path};
    if (!settings.fix_config_file_path.empty()) {
        files.push_back(settings.fix_config_file_path);
    }
    CConfigHistoryDialog dialog(
        market, files, static_cast<std::uint16_t>(settings.interface_thread_interactive_port),
        m_log, this, this);
    dialog.exec();
}

int CZEVOClientPHASE4Dlg::GatewayLogPort(int marketCode) const {
    return IsMarketCode(marketCode)
               ? m_installed.markets[marketCode - 1].interface_thread_non_interactive_port
               : 0;
}

bool CZEVOClientPHASE4Dlg::IsGatewayRunning(int marketCode) const {
    return qel_status_query(marketCode, *m_processes, *m_log,
                            GatewayAccount(m_installed, marketCode)) == 1;
}

void CZEVOClientPHASE4Dlg::PostCommand(int commandId) {
    QMetaObject::invokeMethod(
        this, [this, commandId] { OnCommand(commandId); }, Qt::QueuedConnection);
}
