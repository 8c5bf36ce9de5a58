#include "app/ZEVOClientPHASE4Dlg.h"

#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/Alerts.h"
#include "app/ControlIds.h"
#include "app/DesktopAlerts.h"
#include "app/GatewayDayWatch.h"
#include "app/StatisticsThread.h"
#include "app/ViewTabCtrl.h"
#include "config/ConfigTransaction.h"
#include "core/CommandIds.h"
#include "core/GatewayProcess.h"
#include "link/ZEVOHelper.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/ProcessExit.h"
#include "platform/ProcessList.h"
#include "platform/SingleInstance.h"
#include "views/GatewayDayStrip.h"
#include "views/GenericLogs.h"
#include "views/GenericStatistics.h"
#include "views/LogRow.h"
#include "views/ReportList.h"

namespace {
const char* const kInitOperation = "CZEVOClientPHASE4Dlg::OnInitDialog";
}

CZEVOClientPHASE4Dlg::CZEVOClientPHASE4Dlg(const MachineServices& machine, QWidget* parent)
    : QDialog(parent),
      m_machine(machine),
      m_installedMachine(machine),
      m_log(new ActivityLog(*machine.store, *machine.clock)),
      m_store(*machine.store),
      m_processes(machine.processes) {
    setObjectName(control_id::kMainWindow);
    setWindowTitle("ZEVO");
    Q_INIT_RESOURCE(zevo);  // the icon lives in this static library
    setWindowIcon(QIcon(":/zevo.png"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    BuildMenu();

    // The content keeps its designed size and scrolls inside the viewport when the window is
    // shorter; the scroll bar follows the window's own arithmetic.
    m_viewport = new QWidget(this);
    m_content = new QWidget(m_viewport);
    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setTracking(false);
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, &CZEVOClientPHASE4Dlg::OnScrollAction);
    connect(m_scrollBar, &QScrollBar::sliderReleased, this,
            [this] { OnScrollAction(QAbstractSlider::SliderMove); });
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setMenuBar(m_menuBar);
    auto* row = new QHBoxLayout;
    row->addWidget(m_viewport, 1);
    row->addWidget(m_scrollBar);
    outer->addLayout(row);

    auto* grid = new QGridLayout(m_content);
    auto* caption = new QLabel("QEL STATUS", m_content);
    caption->setAlignment(Qt::AlignCenter);
    m_statusList = new QTreeWidget(m_content);
    m_statusList->setObjectName(control_id::kStatusList);
    m_statusList->setRootIsDecorated(false);
    m_statusList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_statusList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_statisticsTabs = new CViewTabCtrl(m_content);
    m_statisticsTabs->setObjectName(control_id::kStatisticsTabs);
    m_logTabs = new CViewTabCtrl(m_content);
    m_logTabs->setObjectName(control_id::kLogTabs);
    grid->addWidget(caption, 0, 0);
    // The status list, and under it once the markets are known each gateway's day.
    m_statusColumn = new QVBoxLayout;
    m_statusColumn->setContentsMargins(0, 0, 0, 0);
    m_statusColumn->addWidget(m_statusList, 1);
    grid->addLayout(m_statusColumn, 1, 0);
    grid->addWidget(m_statisticsTabs, 0, 1, 2, 1);
    grid->addWidget(m_logTabs, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(2, 2);
    resize(1040, 720);
}

CZEVOClientPHASE4Dlg::~CZEVOClientPHASE4Dlg() {
    // Threads first: they post to this window and read its pages.
    ConfigTransaction::SetBehindNotice(nullptr);
    m_statusThread.reset();
    m_statisticsThread.reset();
    // The pages and dialogs may still log as they close, so they go before the log does.
    while (!children().isEmpty()) {
        delete children().constFirst();  // one child's end may take others with it
    }
    delete m_log;
}

void CZEVOClientPHASE4Dlg::OnInitDialog(const QStringList& arguments) {
    m_instance =
        std::make_unique<platform::SingleInstance>("ZEVOClient4.0", m_machine.instanceDirectory);
    if (!m_instance->IsFirst()) {
        // A second instance tells the first and ends at once, with no window and no log line.
        m_instance->SignalFirst();
        platform::ExitProcess(0);
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, kInitOperation, "Initializing dialog");
    FitToScreen();
    CaptureStartupRect();
    setWindowTitle("ZEVO");
    m_logTabs->SetActivityLog(m_log);
    m_statisticsTabs->SetActivityLog(m_log);
    ZEVO_LOG_ACTIVITY(m_log, kInitOperation, "Initializing all members.");
    m_installed.Clear();
    ZEVO_LOG_DETAIL(m_log, kInitOperation, "Done.");
    ZEVO_LOG_ACTIVITY(m_log, kInitOperation, "Reading path of common config file from registry.");
    GetNumberOfMarkets(m_installed, m_store, *m_log);
    ZEVO_LOG_ACTIVITY(
        m_log, kInitOperation,
        "Initializing types of market, configuration file paths and port numbers.from registry.");
    InitTypesOfMarketsConfigFilePathsAndPorts(m_installed, m_store, *m_log, this);
    BuildPages();
    StartAlerts();
    // A save whose history cannot be written is done all the same; the operator is told.
    ConfigTransaction::SetBehindNotice([this](const std::string& text) {
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                platform::ShowMessageBox(this, text + "\nThe save itself is done.", "Warning",
                                         platform::MB_OK | platform::MB_ICONEXCLAMATION);
            },
            Qt::QueuedConnection);
    });
    StartStatusThread();
    HandleCommandLine(arguments);
    OnSize();
}

void CZEVOClientPHASE4Dlg::BuildPages() {
    m_statusList->setHeaderLabels({"Market", "Status", "Version"});
    const int columns =
        ScaleColumns(m_statusList, {{100, {"SLBM"}}, {100, {"Not Running"}}, {100, {"99999"}}});
    // Wide enough for its columns, so it never needs a horizontal scroll bar.
    m_statusList->setMinimumWidth(columns + 2 * m_statusList->frameWidth() +
                                  m_statusList->verticalScrollBar()->sizeHint().width());
    m_statusList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const MarketSettings& market : m_installed.markets) {
        if (market.type != -1) {
            new QTreeWidgetItem(m_statusList, {MarketName(market.type), "Not Running", ""});
        }
    }
    std::vector<int> markets;
    for (const MarketSettings& market : m_installed.markets) {
        if (market.type != -1) {
            markets.push_back(market.type);
        }
    }
    m_dayWatch =
        new GatewayDayWatch(m_machine.cacheDirectory, *m_machine.clock, markets, m_content);
    m_statusColumn->addWidget(m_dayWatch->Strip());
    // Every market's row shows without scrolling; the day takes the room below them.
    const int rows = static_cast<int>(markets.size());
    m_statusList->setMinimumHeight(m_statusList->header()->sizeHint().height() +
                                   rows * m_statusList->sizeHintForRow(0) +
                                   2 * m_statusList->frameWidth() + 2);
    m_logTabs->CreateLogPages(m_installed, m_logPages);
    for (int k = 0; k < m_installed.number_of_markets && k < kMarketCount; ++k) {
        if (m_logPages[k]) {
            m_logPages[k]->SetStatusList(m_statusList);
            m_logPages[k]->SetGatewayRuns([this, k] { return m_rowRuns[k]; });
            ZEVO_LOG_ACTIVITY(m_log, kInitOperation,
                              Fmt("QEL status list control's handle assigned to "
                                  "m_dialog_handles_for_tab_display_for_logs[%d]",
                                  k));
        }
    }
    despatch_threads_for_logs_windows();
    m_statisticsTabs->CreateStatisticsPages(m_installed, m_statisticsPages);
    despatch_threads_for_statistics_windows();
}

void CZEVOClientPHASE4Dlg::despatch_threads_for_logs_windows() {
    static const char* const op = "CZEVOClientPHASE4Dlg::despatch_threads_for_logs_windows";
    int k = 0;
    for (const MarketSettings& market : m_installed.markets) {
        if (market.type == -1 || !m_logPages[k]) {
            continue;
        }
        INPUT_FOR_LOGS_THREAD input{m_logPages[k], market.interface_thread_interactive_port,
                                    market.interface_thread_non_interactive_port, m_log};
        ZEVO_LOG_ACTIVITY(m_log, op,
                          Fmt("Details of INPUT_FOR_LOGS_THREAD for market type %d - %s",
                              market.type, MarketName(market.type)));
        ZEVO_LOG_DETAIL(m_log, op,
                        Fmt("interface_thread_non_interactive_port = %d",
                            input.interface_thread_non_interactive_port));
        ZEVO_LOG_DETAIL(
            m_log, op,
            Fmt("interface_thread_interactive_port = %d", input.interface_thread_interactive_port));
        ZEVO_LOG_ACTIVITY(m_log, op, "Initializing connection data");
        m_logPages[k]->InitConnectionData(input);
        ZEVO_LOG_DETAIL(m_log, op, "Done");
        ++k;
    }
}

void CZEVOClientPHASE4Dlg::despatch_threads_for_statistics_windows() {
    static const char* const op =
        "void CZEVOClientPHASE4Dlg::despatch_threads_for_statistics_windows";
    for (int i = 0; i < kMarketCount; ++i) {
        const int type = m_installed.markets[i].type;
        ZEVO_LOG_ACTIVITY(
            m_log, op,
            Fmt("Market type of INPUT_FOR_STATISTICS_THREAD for index [%d] is %d - %s", i, type,
                type == -1 ? "" : MarketName(type)));
    }
    // The thread never touches a widget: a pass's records and the setup error are posted
    // here, and a post to a window that is gone is dropped.
    m_statisticsThread = std::make_unique<StatisticsThread>(
        m_store, *m_log,
        [this](std::vector<StatisticsRecord> records) {
            QMetaObject::invokeMethod(
                this,
                [this, records = std::move(records)] {
                    DispatchStatistics(records, m_statisticsPages);
                },
                Qt::QueuedConnection);
        },
        [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    platform::ShowMessageBox(this, "QEL Setup Error.", "Error", platform::MB_OK);
                },
                Qt::QueuedConnection);
        });
    m_statisticsThread->Start();
}

bool CZEVOClientPHASE4Dlg::HasSession(int row) const {
    return row >= 0 && row < kMarketCount && m_logPages[row] && m_logPages[row]->Session();
}

void CZEVOClientPHASE4Dlg::Connect(int row) {
    CGenericLogs* page = m_logPages[row];
    QMetaObject::invokeMethod(
        page, [page] { page->ConnectToGateway(); }, Qt::QueuedConnection);
}

void CZEVOClientPHASE4Dlg::StartStatusThread() {
    // The status thread never touches a widget: it posts each change to this thread.
    auto post = [this](int row, bool running) {
        QMetaObject::invokeMethod(
            this,
            [this, row, running] {
                if (row >= 0 && row < kMarketCount) {
                    m_rowRuns[row] = running;
                    if (m_logPages[row]) {
                        m_logPages[row]->SetGatewayRunning(running);
                        m_alerts->GatewayRunning(m_logPages[row]->MarketType(), running);
                        m_dayWatch->Running(m_logPages[row]->MarketType(), running);
                    }
                }
                if (QTreeWidgetItem* item = m_statusList->topLevelItem(row)) {
                    item->setText(1, running ? "Running" : "Not Running");
                }
            },
            Qt::QueuedConnection);
    };
    auto announce = [this](std::function<void()> done) {
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                QWidget* owner =
                    QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
                owner->show();
                owner->raise();
                owner->activateWindow();
                platform::ShowMessageBox(owner, "Another instance of ZEVO is already running.",
                                         "ZEVO", platform::MB_OK);
                done();
            },
            Qt::QueuedConnection);
    };
    m_statusThread = std::make_unique<StatusThread>(m_installed, *m_log, *m_processes, post,
                                                    m_instance.get(), announce, this);
    m_statusThread->SetFirstCycleDone([this] {
        QMetaObject::invokeMethod(
            this, [this] { m_alerts->StatusKnown(); }, Qt::QueuedConnection);
    });
    m_statusThread->Start();
}

// Gateways stopping and starting, pages losing their connection, the trading host link and
// queue alarms reach the tray and the desktop's notifications.
void CZEVOClientPHASE4Dlg::StartAlerts() {
    m_alerts = new AlertHub(1000, this);
    for (CGenericLogs* page : m_logPages) {
        if (!page) {
            continue;
        }
        const int market = page->MarketType();
        m_alerts->SetInstalled(market, true);
        connect(page, &CGenericLogs::connectionStateChanged, m_alerts,
                [this, market](bool connected, const QString& text) {
                    m_alerts->PageConnected(market, connected, text);
                    m_dayWatch->Connected(market, connected);
                });
        page->SetRowWatch([this, market](const LogRow& row) { m_alerts->Row(market, row); });
    }
    m_desktopAlerts = new DesktopAlerts(m_alerts, m_log, this);
    addAction(m_desktopAlerts->KindsMenu()->menuAction());
}

void CZEVOClientPHASE4Dlg::HandleCommandLine(const QStringList& arguments) {
    if (arguments.size() < 2 || arguments[0] != "-c") {
        return;
    }
    int code = 0;  // text that is no number reads as 0
    std::sscanf(arguments[1].toLocal8Bit().constData(), "%d", &code);
    if (!IsMarketCode(code)) {
        ZEVO_LOG_ACTIVITY(m_log, kInitOperation,
                          "Invalid market type specified. Not opening any configuration window");
        return;
    }
    if (!m_installed.IsInstalled(code)) {
        ZEVO_LOG_ACTIVITY(
            m_log, kInitOperation,
            Fmt("Market %s not installed. Not opening configuration window", MarketName(code)));
        return;
    }
    PostCommand(cmd::kStartupConfigurationBase + code);
    ZEVO_LOG_ACTIVITY(m_log, kInitOperation,
                      Fmt("Posted message to open %s configuration", MarketName(code)));
}

// The start-up rectangle is where the window first stands on the screen. Its frame and place
// are known only once the window manager has framed and placed it, which it reports by
// moving and activating the window; until then each of those events takes it again.
void CZEVOClientPHASE4Dlg::CaptureStartupRect() {
    if (m_startupFinal) {
        return;
    }
    // While the window manager reparents the window its frame may read as a dot; a frame
    // counts only when it holds the client area.
    m_startupClient = geometry();
    // Asked of the window itself: the widget keeps the frame it had at its last move or
    // resize, and the window manager may announce the frame after both.
    const QRect frame = windowHandle() ? windowHandle()->frameGeometry() : frameGeometry();
    const bool framed = frame.contains(m_startupClient) && frame != m_startupClient;
    m_startupRect = framed ? frame : m_startupClient;
    // An active window with its frame has its place and size: from now on they stay.
    m_startupFinal = framed && m_activated;
    if (m_startupFinal) {
        KeepFrameOnScreen(frame);
    }
}

// The window manager places the window as it likes: a frame that reaches past the screen's
// available area (its title bar above the top, its bottom below a panel) is moved into it,
// once, and the start-up rectangle is taken again where it lands.
void CZEVOClientPHASE4Dlg::KeepFrameOnScreen(const QRect& frame) {
    const QScreen* display = screen();
    if (m_frameKeptOnScreen || !display) {
        return;
    }
    m_frameKeptOnScreen = true;
    const QRect area = display->availableGeometry();
    if (area.contains(frame)) {
        return;
    }
    const int x = std::clamp(frame.left(), area.left(),
                             std::max(area.left(), area.right() + 1 - frame.width()));
    const int y = std::clamp(frame.top(), area.top(),
                             std::max(area.top(), area.bottom() + 1 - frame.height()));
    m_startupFinal = false;
    move(x, y);  // a top-level window's position is its frame's
}

// The designed size, made smaller where the screen has less room (a small screen, a large font
// or scale), with room left for the window manager's title bar and borders; what no longer
// fits is reached with the window's scroll bar.
void CZEVOClientPHASE4Dlg::FitToScreen() {
    const QScreen* display = screen();
    if (!display) {
        return;
    }
    const QRect area = display->availableGeometry();
    const int titleBar = fontMetrics().height() * 2;
    const int border = 8;
    const QSize room(area.width() - 2 * border, area.height() - titleBar - 2 * border);
    const QSize fitted = size().boundedTo(room);
    if (fitted == size()) {
        return;
    }
    resize(fitted);
    move(area.left() + (area.width() - fitted.width()) / 2, area.top() + titleBar + border);
}

void CZEVOClientPHASE4Dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CaptureStartupRect();
    OnSize();
}

void CZEVOClientPHASE4Dlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!isMaximized()) {
        CaptureStartupRect();
    }
}

bool CZEVOClientPHASE4Dlg::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate && isVisible() && !isMaximized()) {
        m_activated = true;
        CaptureStartupRect();
    }
    return handled;
}

void CZEVOClientPHASE4Dlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_startupRect.isNull()) {
        return;  // before start-up there is nothing to keep
    }
    if (!isMaximized() && m_activated) {
        CaptureStartupRect();  // the frame may arrive after the activation
    }
    if (isMaximized() && ExceedsStartup(event->size())) {
        RestoreStartupRect();
        return;
    }
    OnSize();
}

void CZEVOClientPHASE4Dlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Some window systems report the maximized size only to the window, not as a resize.
    if (event->type() == QEvent::WindowStateChange && isMaximized() && !m_startupRect.isNull() &&
        screen() && ExceedsStartup(screen()->availableGeometry().size())) {
        RestoreStartupRect();
    }
}

bool CZEVOClientPHASE4Dlg::ExceedsStartup(const QSize& size) const {
    return size.width() > m_startupRect.width() || size.height() > m_startupRect.height();
}

void CZEVOClientPHASE4Dlg::RestoreStartupRect() {
    // A maximized window larger than designed goes back to its start-up place and size.
    QMetaObject::invokeMethod(
        this,
        [this] {
            showNormal();
            setGeometry(m_startupClient);  // the frame follows the client
            raise();
        },
        Qt::QueuedConnection);
}

void CZEVOClientPHASE4Dlg::OnSize() {
    // Client heights on both sides: the title bar and frame are not the window's to scroll.
    m_scroll.Resize(m_startupClient.isNull() ? height() : m_startupClient.height(), height());
    m_scrollBar->setRange(0, m_scroll.Range());
    m_scrollBar->setPageStep(m_scroll.PageStep());
    m_scrollBar->setSingleStep(m_scroll.LineStep());
    m_scrollBar->setValue(0);
    m_scrollBar->setEnabled(m_scroll.Range() > 0);  // shown, but idle, when it cannot scroll
    m_content->setGeometry(0, 0, m_viewport->width(), m_viewport->height() + m_scroll.Range());
}

void CZEVOClientPHASE4Dlg::OnScrollAction(int action) {
    VerticalScroll::Request request = VerticalScroll::kOther;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            request = VerticalScroll::kLineUp;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            request = VerticalScroll::kLineDown;
            break;
        case QAbstractSlider::SliderPageStepSub:
            request = VerticalScroll::kPageUp;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            request = VerticalScroll::kPageDown;
            break;
        case QAbstractSlider::SliderMove:
            // Tracking moves nothing; the end of a drag arrives as a release.
            if (m_scrollBar->isSliderDown()) {
                return;
            }
            request = VerticalScroll::kThumbPosition;
            break;
        default:
            break;
    }
    m_scroll.Scroll(request, m_scrollBar->sliderPosition());
    m_scrollBar->setSliderPosition(m_scroll.Position());
    m_content->move(0, -m_scroll.Position());
}

std::string CZEVOClientPHASE4Dlg::HelpFilePath() {
    char directory[1024] = {0};
    if (!getcwd(directory, sizeof directory)) {
        directory[0] = '\0';
    }
    return Fmt("%s/%s", directory, "zevo_ip_help.chm");
}

void CZEVOClientPHASE4Dlg::OpenHelpFile(const std::string& path) {
    if (QFileInfo::exists(QString::fromStdString(path))) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
}

void CZEVOClientPHASE4Dlg::ZEVOHelp() {
    const std::string path = HelpFilePath();
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::ZEVOHelp",
                      Fmt("Help file path is %s", path.c_str()));
    OpenHelpFile(path);
}

void CZEVOClientPHASE4Dlg::ExitZEVO() {
    if (platform::ShowMessageBox(this, "Are you sure you want to exit ZEVO?", "ZEVO",
                                 platform::MB_YESNO | platform::MB_ICONQUESTION) ==
        platform::IDNO) {
        return;
    }
    EndZEVO();
}

void CZEVOClientPHASE4Dlg::EndZEVO() {
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::ExitZEVO", "Killing QEL status thread.");
    if (m_statusThread) {
        m_statusThread->Stop();
    }
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOClientPHASE4Dlg::ExitZEVO", "Killing QEL statistics thread.");
    if (m_statisticsThread) {
        m_statisticsThread->Stop();
    }
    done(0);
}
