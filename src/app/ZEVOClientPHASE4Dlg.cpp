#include "app/ZEVOClientPHASE4Dlg.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <QTreeWidget>

#include "app/AboutDlg.h"
#include "app/CommandIds.h"
#include "app/GatewayStatus.h"
#include "app/StatusThread.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/ProcessList.h"
#include "platform/ServiceControl.h"
#include "platform/SingleInstance.h"

namespace {
const char* const kMarketCaptions[7] = {"&CM", "&FO", "&WDM", "&IPO", "C&D", "&SLBM", "&MF"};
}

CZEVOClientPHASE4Dlg::CZEVOClientPHASE4Dlg(const platform::SettingsStore& store, QWidget* parent)
    : QDialog(parent), m_log(new ActivityLog(store, platform::DefaultClock())), m_store(store) {
    setObjectName("102");
    setWindowTitle("ZEVO");
    auto* grid = new QGridLayout(this);
    BuildMenu();
    grid->setMenuBar(m_menuBar);

    auto* caption = new QLabel("QEL STATUS", this);
    caption->setAlignment(Qt::AlignCenter);
    m_statusList = new QTreeWidget(this);
    m_statusList->setObjectName("1005");
    m_statusList->setRootIsDecorated(false);
    m_statusList->setHeaderLabels({"Market", "Status", "Version"});
    for (int column = 0; column < 3; ++column) {
        m_statusList->setColumnWidth(column, 100);
    }
    m_statisticsTabs = new QTabWidget(this);
    m_statisticsTabs->setObjectName("1003");
    m_logTabs = new QTabWidget(this);
    m_logTabs->setObjectName("1000");

    grid->addWidget(caption, 0, 0);
    grid->addWidget(m_statusList, 1, 0);
    grid->addWidget(m_statisticsTabs, 0, 1, 2, 1);
    grid->addWidget(m_logTabs, 2, 0, 1, 2);
    grid->setRowStretch(2, 2);
    resize(1040, 720);
}

CZEVOClientPHASE4Dlg::~CZEVOClientPHASE4Dlg() = default;

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

void CZEVOClientPHASE4Dlg::OnInitDialog(const QStringList& arguments) {
    static const char* const op = "CZEVOClientPHASE4Dlg::OnInitDialog";
    m_instance = std::make_unique<platform::SingleInstance>();
    if (!m_instance->IsFirst()) {
        // A second instance tells the first and ends at once, with no window and no log line.
        m_instance->SignalFirst();
        std::exit(0);
    }
    ZEVO_LOG_ACTIVITY(m_log, op, "Initializing dialog");
    ZEVO_LOG_ACTIVITY(m_log, op, "Initializing all members.");
    m_installed.Clear();
    ZEVO_LOG_DETAIL(m_log, op, "Done.");
    ZEVO_LOG_ACTIVITY(m_log, op, "Reading path of common config file from registry.");
    GetNumberOfMarkets(m_installed, m_store, *m_log);
    ZEVO_LOG_ACTIVITY(m_log, op,
                      "Initializing types of market, configuration file paths and port numbers.from registry.");
    InitTypesOfMarketsConfigFilePathsAndPorts(m_installed, m_store, *m_log, this);

    m_statisticsTabs->addTab(new QWidget(m_statisticsTabs), "Common");
    for (const MarketSettings& market : m_installed.markets) {
        if (market.type == -1) {
            continue;
        }
        const char* name = MarketName(market.type);
        m_logTabs->addTab(new QWidget(m_logTabs), name);
        m_statisticsTabs->addTab(new QWidget(m_statisticsTabs), name);
        new QTreeWidgetItem(m_statusList, {name, "Not Running", ""});
    }

    // The status thread never touches a widget: it posts each change to this thread.
    m_statusThread = std::make_unique<StatusThread>(
        m_installed, *m_log, platform::DefaultProcessList(), [this](int row, const char* text) {
            QString status = QString::fromLatin1(text);
            QMetaObject::invokeMethod(this, [this, row, status] {
                if (QTreeWidgetItem* item = m_statusList->topLevelItem(row)) {
                    item->setText(1, status);
                }
            }, Qt::QueuedConnection);
        },
        m_instance.get(), [this](std::function<void()> done) {
            QMetaObject::invokeMethod(this, [this, done] {
                QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
                owner->show();
                owner->raise();
                owner->activateWindow();
                platform::ShowMessageBox(owner, "Another instance of ZEVO is already running.", "ZEVO",
                                         platform::MB_OK);
                done();
            }, Qt::QueuedConnection);
        });
    m_statusThread->Start();
    HandleCommandLine(arguments);
}

void CZEVOClientPHASE4Dlg::HandleCommandLine(const QStringList& arguments) {
    static const char* const op = "CZEVOClientPHASE4Dlg::OnInitDialog";
    if (arguments.size() < 2 || arguments[0] != "-c") {
        return;
    }
    int code = 0;  // text that is no number reads as 0
    std::sscanf(arguments[1].toLocal8Bit().constData(), "%d", &code);
    if (!IsMarketCode(code)) {
        ZEVO_LOG_ACTIVITY(m_log, op, "Invalid market type specified. Not opening any configuration window");
        return;
    }
    if (!m_installed.IsInstalled(code)) {
        ZEVO_LOG_ACTIVITY(m_log, op, Fmt("Market %s not installed. Not opening configuration window",
                                         MarketName(code)));
        return;
    }
    const int command = cmd::kStartupConfigurationBase + code;
    QMetaObject::invokeMethod(this, [this, command] { OnCommand(command); }, Qt::QueuedConnection);
    ZEVO_LOG_ACTIVITY(m_log, op, Fmt("Posted message to open %s configuration", MarketName(code)));
}

void CZEVOClientPHASE4Dlg::OnCommand(int id) {
    if (id == cmd::kExit) {
        ExitZEVO();
        return;
    }
    if (id == cmd::kHelp) {
        ZEVOHelp();
        return;
    }
    if (id == cmd::kAbout) {
        CAboutDlg about(m_store, this);
        about.exec();
        return;
    }
    if (id == cmd::kStartApplications) {
        platform::ServiceControl services;
        StartApplications(services, *m_log, this);
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::OnCommand",
                      Fmt("Command %d is not available in this build", id));
}

void CZEVOClientPHASE4Dlg::ZEVOHelp() {
    char directory[1024] = {0};
    if (!getcwd(directory, sizeof directory)) {
        directory[0] = '\0';
    }
    const std::string path = Fmt("%s/%s", directory, "zevo_ip_help.chm");
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::ZEVOHelp", Fmt("Help file path is %s", path.c_str()));
    if (QFileInfo::exists(QString::fromStdString(path))) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
}

void CZEVOClientPHASE4Dlg::ExitZEVO() {
    if (platform::ShowMessageBox(this, "Are you sure you want to exit ZEVO?", "ZEVO",
                                 platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDNO) {
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::ExitZEVO", "Killing QEL status thread.");
    if (m_statusThread) {
        m_statusThread->Stop();
    }
    done(0);
}
