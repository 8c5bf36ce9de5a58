// The main window: pages, menus, commands, status list, statistics pages, the About box,
// scrolling and exit.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/AboutDlg.h"
#include "app/ControlIds.h"
#include "app/ViewTabCtrl.h"
#include "core/CommandIds.h"
#include "log/ActivityLog.h"
#include "support/GuiFixture.h"
#include "support/ListeningPeer.h"
#include "support/WidgetText.h"
#include "views/GatewayDayStrip.h"
#include "views/GenericLogs.h"
#include "views/GenericStatistics.h"
#include "views/LogListView.h"
#include "views/LogMessageModel.h"

using namespace testing_support;

namespace {

QStringList TabLabels(QWidget& window, const char* id) {
    auto* tabs = window.findChild<QTabWidget*>(id);
    QStringList labels;
    for (int i = 0; tabs && i < tabs->count(); ++i) {
        labels << tabs->tabText(i);
    }
    return labels;
}

const char* const kExitOperation = "|ZEVOClientPHASE4Dlg.cpp|CZEVOClientPHASE4Dlg::ExitZEVO";

// The rows of the About box's components list, as "Component / Version".
QStringList AboutRows(CAboutDlg& about) {
    return Rows(about.findChild<QTreeWidget*>(control_id::kAboutList)->model(), 2);
}

// The rows of a statistics page's list, as "Parameter / Value / Unit".
QStringList StatisticsRows(const CGenericStatistics* page) {
    const auto* list = page ? page->findChild<QTreeWidget*>(control_id::kStatisticsList) : nullptr;
    return list ? Rows(list->model(), 3) : QStringList();
}

std::string Now() {
    return std::to_string(platform::DefaultClock().UnixSeconds());
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  public slots:
    void OpenedUrl(const QUrl& url) { m_opened.push_back(url); }

  private:
    QList<QUrl> m_opened;

  private slots:
    void tabsAndMenusFollowTheInstalledMarkets() {
        GuiFixture fixture({1, 7}, {7});
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QCOMPARE(TabLabels(window, control_id::kLogTabs), QStringList({"CM", "MF"}));
        QCOMPARE(TabLabels(window, control_id::kStatisticsTabs),
                 QStringList({"Common", "CM", "MF"}));
        QCOMPARE(Column(window.findChild<QTreeWidget*>(control_id::kStatusList), 0),
                 QStringList({"CM", "MF"}));
        // QEL Configuration > CM and COMMON, Show Active Users > MF, FIX User and FIX Session
        // Configuration > MF are on; FO (not installed) and CM's FIX entry (not FIX enabled) off.
        for (int command : {32775, 32793, 32790, 32817, 32827}) {
            QVERIFY(window.Command(command)->isEnabled());
        }
        QVERIFY(!window.Command(32776)->isEnabled() && !window.Command(32811)->isEnabled());
        // The selected page is shown and the others hidden.
        window.show();
        window.LogTabs()->setCurrentIndex(1);
        QVERIFY(window.LogPage(1)->isVisible());
        QVERIFY(!window.LogPage(0)->isVisible());
        // The system menu's About entry.
        QCOMPARE(window.Command(cmd::kSystemAbout)->text(), QString("&About ZEVO"));
    }

    void escapeAsksAndNoKeepsTheWindow() {
        GuiFixture fixture({}, {}, platform::IDNO);
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        window.show();
        QTest::keyClick(&window, Qt::Key_Return);
        QVERIFY(fixture.boxes.boxes.empty());
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(fixture.boxes.shown,
                 std::vector<std::string>{"ZEVO: Are you sure you want to exit ZEVO?"});
        const platform::MessageBoxRequest& question = fixture.boxes.boxes.front();
        QVERIFY(question.icon == platform::BoxIcon::Question);
        QVERIFY(question.buttons == platform::BoxButtons::YesNo);
        QCOMPARE(question.defaultAnswer, int(platform::IDYES));
        QCOMPARE(question.owner, static_cast<QObject*>(&window));
        QVERIFY(window.isVisible());
        QCOMPARE(TabLabels(window, control_id::kLogTabs), QStringList());
        QCOMPARE(TabLabels(window, control_id::kStatisticsTabs), QStringList({"Common"}));

        fixture.boxes.answers = {platform::IDYES};
        window.Command(cmd::kExit)->trigger();
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), 0);
    }

    void commandLineOpensAnInstalledMarketsConfiguration() {
        // Without a usable "-c" the last line of the start-up is the log page's status list.
        const std::string kNothingMore =
            "QEL status list control's handle assigned to "
            "m_dialog_handles_for_tab_display_for_logs[0]";
        const std::pair<QStringList, std::string> cases[] = {
            {{"-c", "2"}, "Posted message to open FO configuration"},
            {{"-c", "1"}, "Market CM not installed. Not opening configuration window"},
            {{"-c", "9"}, "Invalid market type specified. Not opening any configuration window"},
            {{"-c", "FO"}, "Invalid market type specified. Not opening any configuration window"},
            {{"-c"}, kNothingMore},
            {{"-x", "2"}, kNothingMore},
        };
        for (const auto& [arguments, expected] : cases) {
            GuiFixture fixture({2});
            std::string last;
            for (const std::string& line :
                 ReadLines(fixture.Window(arguments).Log()->CurrentFilePath())) {
                if (line.rfind("ACTIVITY|", 0) == 0 &&
                    line.find("|CZEVOClientPHASE4Dlg::OnInitDialog|") != std::string::npos) {
                    last = line.substr(9, line.find('|', 9) - 9);
                }
            }
            QCOMPARE(last, expected);
        }
    }

    void theCommandLineAndTheMenuOpenTheMarketsDialogs() {
        GuiFixture fixture({2}, {2});
        QStringList seen;  // a dialog runs modally inside the command that opens it
        const auto title = [&] {
            WhenModal([&](QDialog* dialog) {
                seen << dialog->windowTitle();
                dialog->reject();
            });
        };
        title();
        fixture.Window({"-c", "2"});
        QVERIFY(PumpUntil([&] { return !seen.isEmpty(); }));
        for (int command : {cmd::kFixUserConfiguration[1], cmd::kFixSessionConfiguration[1]}) {
            title();
            fixture.Window().Command(command)->trigger();
        }
        QCOMPARE(seen,
                 (QStringList{"FO - Configuration", "FIX Users- FO", "FIX Configuration- FO"}));
    }

    void everyListColumnShowsItsHeaderAndWidestTextWhole() {
        GuiFixture fixture({6});
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        window.show();
        LogListView* log = window.LogPage(0)->findChild<LogListView*>(control_id::kLogList);
        const QStringList widest[] = {{"-2147483648", "User ID"},
                                      {"Wednesday, September 30, 2026, 23:59:59", "Time"},
                                      {"Message"},
                                      {"-2147483648", "Reason"}};
        for (int column = 0; column < 4; ++column) {
            for (const QString& text : widest[column]) {
                QVERIFY2(log->columnWidth(column) > log->fontMetrics().horizontalAdvance(text),
                         qPrintable(text));
            }
        }
        QTreeWidget* status = window.StatusList();
        for (const QString& text : QStringList{"SLBM", "Not Running", "Version"}) {
            int column = text == "SLBM" ? 0 : text == "Version" ? 2 : 1;
            QVERIFY(status->columnWidth(column) > status->fontMetrics().horizontalAdvance(text));
        }
        QVERIFY(status->columnWidth(0) + status->columnWidth(1) + status->columnWidth(2) <=
                status->viewport()->width());
        QTreeWidget* statistics = window.StatisticsPage(0)->List();
        for (int column = 0; column < 3; ++column) {
            QVERIFY(statistics->columnWidth(column) > statistics->fontMetrics().horizontalAdvance(
                                                          statistics->headerItem()->text(column)));
        }
    }

    // F1 opens help without the log line of the menu entry, which names the help file.
    void helpAndStartApplications() {
        GuiFixture fixture({2});
        char previous[1024];
        QVERIFY(getcwd(previous, sizeof previous));
        QCOMPARE(chdir(fixture.dir.path().c_str()), 0);  // help is looked for here
        const std::string path = fixture.dir.File("zevo_ip_help.chm");
        WriteFile(path, "help");
        QDesktopServices::setUrlHandler("file", this, "OpenedUrl");
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.Command(cmd::kHelp)->text(), QString("&ZEVO Help            F1"));
        QVERIFY(window.Command(cmd::kHelp)->shortcut().isEmpty());  // the text shows F1 once
        const std::string help = "ACTIVITY|Help file path is " + path +
                                 "|ZEVOClientPHASE4Dlg.cpp|CZEVOClientPHASE4Dlg::ZEVOHelp";
        QTest::keyClick(&window, Qt::Key_F1);
        QTRY_COMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(path))});
        QVERIFY(!fixture.HasLine(help));
        window.Command(cmd::kHelp)->trigger();
        QCOMPARE(m_opened.size(), 2);
        QVERIFY(fixture.HasLine(help));
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(chdir(previous), 0);

        // No service listens in the layout's service folder.
        window.Command(cmd::kStartApplications)->trigger();
        QCOMPARE(fixture.boxes.shown,
                 std::vector<std::string>{"Error: Couldn't start QEL application"});
        QVERIFY(fixture.HasLine(
            "SYSTEM_ERROR|Error in OpenService(). Cannot access QEL Service. Error [2]|"
            "GatewayStatus.cpp|CZEVOClientPHASE4Dlg::StartApplications"));
    }

    void postedCommandsRunAfterTheCaller() {
        GuiFixture fixture({2});
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        GatewayHost& host = window;
        host.PostCommand(32999);
        const std::string unknown =
            "ACTIVITY|Command 32999 is not available in this build|ZEVOClientPHASE4DlgCommands.cpp|"
            "CZEVOClientPHASE4Dlg::OnCommand";
        QVERIFY(!fixture.HasLine(unknown));
        QVERIFY(PumpUntil([&] { return fixture.HasLine(unknown); }));
    }

    // The status rows follow the gateway processes, a log page connects each time its gateway
    // is seen starting, and exit stops both threads last.
    void statusRowsAndLogPagesFollowTheGatewayProcesses() {
        GuiFixture fixture({1, 2});
        auto peer = ListeningPeer(2, 10102, [&](GatewayPeer::Options& options) {
            options.nonInteractivePort = fixture.layout.NonInteractivePort(2);
            options.interactivePort = fixture.layout.InteractivePort(2);
            options.script = {gateway::VersionMessage(10102),
                              gateway::LogMessage(false, 0, 7, 12010, 0)};
        });
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QTreeWidgetItem* fo = window.StatusList()->topLevelItem(1);
        QCOMPARE(fo->text(0), QString("FO"));
        QCOMPARE(fo->text(1), QString("Not Running"));
        fixture.processes.SetRunning({"QEL_IP_FO.EXE"});
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Running"), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(2), QString("10102"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(window.LogPage(1)->Model().RowCount(), 1, 5000);
        QCOMPARE(window.StatusList()->topLevelItem(0)->text(1), QString("Not Running"));
        const std::string connecting =
            "ACTIVITY|Attempting to connect...for market FO|StatusThread.cpp|::show_qel_status";
        QCOMPARE(fixture.Count(connecting), 1u);
        fixture.processes.SetRunning({});
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Not Running"), 2000);
        fixture.processes.SetRunning({"qel_ip_fo.exe"});
        QTRY_COMPARE_WITH_TIMEOUT(fixture.Count(connecting), 2u, 2000);
        // The day under the list: FO ran, stopped, ran again; its page connected. CM never ran.
        auto* day = window.findChild<GatewayDayStrip*>("gatewayDay");
        QVERIFY(day);
        QRegularExpression lane(
            "^FO today\n[0-9:]{8} console started\n[0-9:]{8} running\n"
            "[0-9:]{8} log page connected\n(.*\n)*[0-9:]{8} not running\n"
            "(.*\n)*[0-9:]{8} running");
        // The status thread logs its connect before the window takes its posted change.
        QTRY_VERIFY2_WITH_TIMEOUT(lane.match(day->LaneText(FO)).hasMatch(),
                                  qPrintable(day->LaneText(FO)), 2000);
        QCOMPARE(day->RunningAt(CM, QDateTime::currentSecsSinceEpoch()), 0);

        window.ExitZEVO();
        auto lines = ReadLines(window.Log()->CurrentFilePath());
        QVERIFY(lines.size() >= 2);
        QCOMPARE(WithoutLineAndTime(lines[lines.size() - 2]),
                 "ACTIVITY|Killing QEL status thread." + std::string(kExitOperation));
        QCOMPARE(WithoutLineAndTime(lines.back()),
                 "ACTIVITY|Killing QEL statistics thread." + std::string(kExitOperation));
    }

    // A gateway whose process appears before it listens: the page tries again until it is
    // connected and the version shows, with one line for the retrying.
    void logPageConnectsToAGatewayThatListensLate() {
        GuiFixture fixture({2});
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        fixture.processes.SetRunning({"qel_ip_fo.exe"});
        const std::string retrying =
            "ACTIVITY|No connection to the running gateway of market FO; trying again until it "
            "accepts|GenericLogs.cpp|CGenericLogs::RetryLater";
        QTRY_VERIFY_WITH_TIMEOUT(fixture.HasLine(retrying), 5000);
        auto peer = ListeningPeer(2, 10102, [&](GatewayPeer::Options& options) {
            options.nonInteractivePort = fixture.layout.NonInteractivePort(2);
            options.interactivePort = fixture.layout.InteractivePort(2);
            options.script = {gateway::VersionMessage(10102)};
        });
        QTreeWidgetItem* fo = window.StatusList()->topLevelItem(0);
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(2), QString("10102"), 20000);
        const std::string port = std::to_string(fixture.layout.NonInteractivePort(2));
        QCOMPARE(fixture.Count("ACTIVITY|Attempting to connect...for market FO|StatusThread.cpp|"
                               "::show_qel_status"),
                 1u);
        QCOMPARE(fixture.Count("ACTIVITY|Establishing connection to 127.0.0.1:" + port +
                               "|ZEVOHelper.cpp|CZEVOHelper::EstablishConnection"),
                 1u);
        QCOMPARE(fixture.Count(retrying), 1u);
        QCOMPARE(fixture.Count("EVENT|Connection established.|ZEVOHelper.cpp|CZEVOHelper::Process"),
                 1u);
    }

    void shortWindowScrollsByTheDesignedStepsWithinItsRange() {
        GuiFixture fixture;
        CZEVOClientPHASE4Dlg window(fixture.Machine());
        window.resize(700, 500);
        window.OnInitDialog();
        window.show();
        window.resize(700, 300);
        QScrollBar* bar = window.ScrollBar();
        QCOMPARE(bar->maximum(), 200);
        QCOMPARE(bar->singleStep(), 2);
        QCOMPARE(bar->pageStep(), 20);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);  // at the top already
        QCOMPARE(bar->value(), 0);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(bar->value(), 22);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);  // does nothing
        QCOMPARE(bar->value(), 22);
        bar->setSliderPosition(190);  // where a drag ends
        bar->triggerAction(QAbstractSlider::SliderMove);
        QCOMPARE(bar->value(), 190);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // never past the range
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(bar->value(), 200);
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(bar->value(), 180);
        window.resize(700, 600);  // a resize starts at the top
        QCOMPARE(bar->value(), 0);
        window.done(0);
    }

    // The designed 1040 x 720 does not fit this screen (800 wide here): the window starts
    // smaller, its title bar on the screen.
    void theFirstSizeFitsTheScreen() {
        GuiFixture fixture;
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        const QRect area = window.screen()->availableGeometry();
        QVERIFY(area.width() < 1040);
        QVERIFY(window.width() <= area.width() && window.height() < area.height());
        QVERIFY(window.y() - window.fontMetrics().height() >= area.top());
        QVERIFY(area.contains(window.geometry()));
    }

    void exitWithBothThreadsBusyIsQuick() {
        GuiFixture fixture({1, 2, 3, 4, 5, 6, 7});
        // A statistics file that takes seconds to parse, and a process list that takes 300 ms.
        std::string big;
        for (int i = 0; i < 400000; ++i) {
            big += "100,Orders per second,1234,Nos,1700000000|\n";
        }
        WriteFile(fixture.layout.StatisticsDir() + "/big.stat", big);
        fixture.processes.SetDelay(std::chrono::milliseconds(300));
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(WaitFor([&] { return fixture.processes.taken > 0; }));
        // Exit never waits for a thread to finish its pass: it has ended well before either
        // could have.
        bool ended = false;
        QTimer::singleShot(0, &window, [&] {
            window.ExitZEVO();
            ended = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(ended, 1000);
        QCOMPARE(window.result(), 0);
    }

    void aboutListsMarketsThenSharedComponents() {
        GuiFixture fixture({SLBM, CM});
        CAboutDlg about(fixture.Store());
        QCOMPARE(about.windowTitle(), QString("About ZEVO "));
        QVERIFY(!fixture.Window().windowIcon().isNull());  // the program's icon
        QCOMPARE(AboutRows(about),
                 QStringList({"QEL CM / 1.01.01", "QEL SLBM / 3.10.06", "Plexa / 2.3.1",
                              "Dorva / 1.8.0", "QEL Monitoring Service / 4.0.2",
                              "QEL Statistics / 4.0.1", "ZEVO / 4.0.0", "Uninstaller / 1.2.0"}));
        QVERIFY(fixture.boxes.shown.empty());
    }

    void aboutStopsWithOneErrorBoxAtTheFirstMissingValue() {
        const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\";
        const std::pair<std::string, QStringList> cases[] = {
            // SLBM is installed without its version.
            {key + "1]\n\"VERSION\"=\"1.01\"\n" + key + "6]\n" + key +
                 "7]\n\"VERSION\"=\"3.01\"\n" + key + "COMMON]\n\"PLEXA_VERSION\"=\"2.3\"\n",
             {"QEL CM / 1.01"}},
            {key + "COMMON]\n\"PLEXA_VERSION\"=\"2.3\"\n\"QEL_MONITORING_VERSION\"=\"4.0\"\n",
             {"Plexa / 2.3"}},
            {"", {}},  // no settings at all
        };
        for (const auto& [registry, rows] : cases) {
            TempDir dir;
            WriteFile(dir.File("qel_ip.reg"), registry);
            platform::RegistryFileStore store(dir.File("qel_ip.reg"));
            RecordingBoxes boxes;
            CAboutDlg about(store);
            QCOMPARE(AboutRows(about), rows);
            QCOMPARE(boxes.shown,
                     std::vector<std::string>{"Error: Cannot query registry. QEL Setup Error.."});
        }
    }

    void statisticsPageKeepsStaleFiguresAndCaseBlindRows() {
        FakeClock clock(2026, 12, 6, 10, 0, 0);
        CGenericStatistics page;
        page.SetClock(clock);
        const auto now = static_cast<std::uint64_t>(clock.UnixSeconds());
        page.UpdateParameter(1, "Orders", "10", "Nos", now - 299);
        page.UpdateParameter(1, "Trades", "4", "Nos", now - 300);
        page.UpdateParameter(1, "ORDERS", "11", "/s", now + 60);  // a future time passes
        page.UpdateParameter(1, "Queue", "", "", 0);
        // A name that is not valid text keeps its one row, pass after pass.
        page.UpdateParameter(1, "Temp\xe9rature", "20", "C", now);
        page.UpdateParameter(1, "TEMP\xe9RATURE", "21", "C", now);
        QCOMPARE(page.List()->topLevelItemCount(), 4);
        QCOMPARE(page.List()->topLevelItem(3)->text(1), QString("21"));
        delete page.List()->takeTopLevelItem(3);
        QCOMPARE(StatisticsRows(&page),
                 (QStringList{"Orders / 11 / /s", "Trades /  / Nos", "Queue /  / "}));
        QCOMPARE(page.List()->headerItem()->text(0), QString("Parameter"));
    }

    void statisticsFilesReachTheirMarketsPages() {
        GuiFixture fixture({1});
        const std::string stats = fixture.layout.StatisticsDir();
        WriteFile(stats + "/common.stat", "100,Users connected,12,Nos," + Now() +
                                              "|\n100,Orders,3,/s," + Now() +
                                              "|\n100,ORDERS,4,/s," + Now() + "|\n");
        WriteFile(stats + "/fo.stat", "2,FO orders,7,/s," + Now() + "|");  // FO is not installed
        // A name on another market's page is a row of its own there.
        WriteFile(stats + "/cm.stat",
                  "1,Trades|1,Host link,Up,," + Now() + "|1,orders,5,/s," + Now() + "|");
        WriteFile(stats + "/broken.stat",
                  std::string("100,Hidden,1,u,") + Now() + std::string("|\0", 2));
        QVERIFY(QDir(QString::fromStdString(stats)).mkdir("sub.stat"));
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(PumpUntil([&] { return StatisticsRows(window.StatisticsPage(1)).size() == 3; }));
        QCOMPARE(StatisticsRows(window.StatisticsPage(0)),
                 (QStringList{"Users connected / 12 / Nos", "Orders / 4 / /s"}));
        QCOMPARE(StatisticsRows(window.StatisticsPage(1)),
                 (QStringList{"Trades /  / ", "Host link / Up / ", "orders / 5 / /s"}));
        QVERIFY(fixture.boxes.shown.empty());

        // The next pass picks up a changed file.
        WriteFile(stats + "/common.stat", "100,Users connected,13,Nos," + Now() + "|");
        QVERIFY(PumpUntil([&] {
            return StatisticsRows(window.StatisticsPage(0)).first() == "Users connected / 13 / Nos";
        }));
    }

    void aMissingStatisticsFolderSettingShowsOneBox() {
        GuiFixture fixture({2});
        std::string registry = ReadFile(fixture.layout.RegistryPath());
        const auto at = registry.find("\"CURRENT_FILES_PATH\"");
        QVERIFY(at != std::string::npos);
        WriteFile(fixture.layout.RegistryPath(), registry.replace(at, 9, "\"OTHER_"));
        WriteFile(fixture.layout.StatisticsDir() + "/common.stat",
                  "100,Users,1,Nos," + Now() + "|");
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(PumpUntil([&] { return !fixture.boxes.shown.empty(); }));
        QCOMPARE(fixture.boxes.shown, std::vector<std::string>{"Error: QEL Setup Error."});
        QVERIFY(
            fixture.HasLine("EVENT|Cannot query registry for "
                            "CURRENT_FILES_PATH.|StatisticsThread.cpp|show_qel_statistics"));
        QCOMPARE(StatisticsRows(window.StatisticsPage(0)), QStringList());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
