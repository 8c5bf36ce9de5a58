// The main window's menu and the commands it carries.
#include <QAction>
#include <QMenuBar>

#include "app/AboutDlg.h"
#include "app/CommandIds.h"
#include "app/GatewayStatus.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/ServiceControl.h"
#include "views/GenericActiveUsersList.h"

namespace {
const char* const kMarketCaptions[7] = {"&CM", "&FO", "&WDM", "&IPO", "C&D", "&SLBM", "&MF"};

// The market (1..7) whose entry in a per-market command table is `id`, or 0.
int MarketOfCommand(const int (&ids)[7], int id) {
    for (int i = 0; i < 7; ++i) {
        if (ids[i] == id) {
            return i + 1;
        }
    }
    return 0;
}
}  // namespace

QMenu* CZEVOClientPHASE4Dlg::AddMarketPopup(QMenu* parent, const char* caption, const int ids[7],
                                            bool grayed) {
    QMenu* popup = parent->addMenu(caption);
    for (int i = 0; i < kMarketCount; ++i) {
        QAction* action = popup->addAction(kMarketCaptions[i]);
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
    m_menuBar->setObjectName("129");
    auto addCommand = [this](QMenu* menu, const char* caption, int id) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::number(id));
        m_commands[id] = action;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        return action;
    };
    QMenu* qel = m_menuBar->addMenu("&QEL");
    QMenu* configuration = AddMarketPopup(qel, "QEL &Configuration", cmd::kQelConfiguration, true);
    addCommand(configuration, "COMMO&N", cmd::kCommonConfiguration);
    AddMarketPopup(qel, "Show Active &Users", cmd::kActiveUsers, true);
    addCommand(qel, "Start &Applications", cmd::kStartApplications);
    m_fixMenu = m_menuBar->addMenu("&FIX");
    AddMarketPopup(m_fixMenu, "User &Configuration", cmd::kFixUserConfiguration, true);
    AddMarketPopup(m_fixMenu, "&Session Configuration", cmd::kFixSessionConfiguration, true);
    QMenu* help = m_menuBar->addMenu("&Help");
    addCommand(help, "&ZEVO Help            F1", cmd::kHelp)->setShortcut(QKeySequence(Qt::Key_F1));
    addCommand(help, "&About ZEVO", cmd::kAbout);
    addCommand(help, "E&xit", cmd::kExit);

    // The window manager owns the system menu here, so the window's own context menu carries
    // its "About" entry.
    auto* systemAbout = new QAction("&About ZEVO", this);
    systemAbout->setObjectName(QString::number(cmd::kSystemAbout));
    m_commands[cmd::kSystemAbout] = systemAbout;
    connect(systemAbout, &QAction::triggered, this, [this] { OnCommand(cmd::kSystemAbout); });
    addAction(systemAbout);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

QAction* CZEVOClientPHASE4Dlg::Command(int id) const {
    auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

void CZEVOClientPHASE4Dlg::EnableMenuCommand(int commandId) {
    if (QAction* action = Command(commandId)) {
        action->setEnabled(true);
    }
}

void CZEVOClientPHASE4Dlg::GrayFixPopups() {
    const auto popups = m_fixMenu->actions();
    for (int i = 0; i < 2 && i < popups.size(); ++i) {
        popups[i]->setEnabled(false);
    }
}

void CZEVOClientPHASE4Dlg::OnCommand(int id) {
    switch (id) {
        case cmd::kExit: ExitZEVO(); return;
        case cmd::kHelp: ZEVOHelp(); return;
        case cmd::kAbout:
        case cmd::kSystemAbout: {
            CAboutDlg about(m_store, this);
            about.exec();
            return;
        }
        case cmd::kStartApplications: {
            platform::ServiceControl services;
            StartApplications(services, *m_log, this);
            return;
        }
        default: break;
    }
    if (const int market = MarketOfCommand(cmd::kActiveUsers, id)) {
        const MarketSettings& settings = m_installed.markets[market - 1];
        CGenericActiveUsersList users(market, settings.interface_thread_interactive_port, m_log, nullptr);
        users.exec();
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::OnCommand",
                      Fmt("Command %d is not available in this build", id));
}
