// The main window: pages, menus, commands, status list, scrolling and exit.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenuBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/ViewTabCtrl.h"
#include "core/CommandIds.h"
#include "log/ActivityLog.h"
#include "support/GuiFixture.h"
#include "support/ListeningPeer.h"
#include "views/GenericLogs.h"
#include "views/GenericStatistics.h"
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
        QCOMPARE(TabLabels(window, "1000"), QStringList({"CM", "MF"}));
        QCOMPARE(TabLabels(window, "1003"), QStringList({"Common", "CM", "MF"}));
        auto* status = window.findChild<QTreeWidget*>("1005");
        QCOMPARE(status->topLevelItemCount(), 2);
        QCOMPARE(status->topLevelItem(1)->text(0), QString("MF"));
        QCOMPARE(status->topLevelItem(1)->text(1), QString("Not Running"));

        QVERIFY(window.Command(32775)->isEnabled());   // QEL Configuration > CM
        QVERIFY(!window.Command(32776)->isEnabled());  // FO not installed
        QVERIFY(window.Command(32793)->isEnabled());   // COMMON
        QVERIFY(window.Command(32790)->isEnabled());   // Show Active Users > MF
        QVERIFY(!window.Command(32811)->isEnabled());  // CM is not FIX enabled
        QVERIFY(window.Command(32817)->isEnabled());   // FIX User Configuration > MF
        QVERIFY(window.Command(32827)->isEnabled());   // FIX Session Configuration > MF
        // The selected page is shown and the others hidden.
        window.show();
        window.LogTabs()->setCurrentIndex(1);
        QVERIFY(window.LogPage(1)->isVisible());
        QVERIFY(!window.LogPage(0)->isVisible());
        // The system menu's About entry.
        QCOMPARE(window.Command(cmd::kSystemAbout)->text(), QString("&About ZEVO"));
        QCOMPARE(window.Command(32801)->text(), QString("C&D"));
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
        QCOMPARE(TabLabels(window, "1000"), QStringList());
        QCOMPARE(TabLabels(window, "1003"), QStringList({"Common"}));

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
        QTableView* log = window.LogPage(0)->findChild<QTableView*>("1013");
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

    void statusRowsFollowTheGatewayProcesses() {
        GuiFixture fixture({1, 2});
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QTreeWidgetItem* fo = window.StatusList()->topLevelItem(1);
        QCOMPARE(fo->text(0), QString("FO"));
        QCOMPARE(fo->text(1), QString("Not Running"));
        fixture.processes.SetRunning({"QEL_IP_FO.EXE"});
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Running"), 2000);
        QCOMPARE(window.StatusList()->topLevelItem(0)->text(1), QString("Not Running"));
        fixture.processes.SetRunning({});
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Not Running"), 2000);

        window.ExitZEVO();
        auto lines = ReadLines(window.Log()->CurrentFilePath());
        QVERIFY(lines.size() >= 2);
        QCOMPARE(WithoutLineAndTime(lines[lines.size() - 2]),
                 "ACTIVITY|Killing QEL status thread." + std::string(kExitOperation));
        QCOMPARE(WithoutLineAndTime(lines.back()),
                 "ACTIVITY|Killing QEL statistics thread." + std::string(kExitOperation));
    }

    // The status thread connects a log page each time its gateway is seen starting.
    void logPageConnectsWhenItsGatewayStarts() {
        GuiFixture fixture({2});
        auto peer = ListeningPeer(2, 10102, [&](GatewayPeer::Options& options) {
            options.nonInteractivePort = fixture.layout.NonInteractivePort(2);
            options.interactivePort = fixture.layout.InteractivePort(2);
            options.script = {gateway::VersionMessage(10102),
                              gateway::LogMessage(false, 0, 7, 12010, 0)};
        });

        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QTreeWidgetItem* fo = window.StatusList()->topLevelItem(0);
        fixture.processes.SetRunning({"qel_ip_fo.exe"});
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(2), QString("10102"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(window.LogPage(0)->Model().rowCount(), 1, 5000);
        const std::string connecting =
            "ACTIVITY|Attempting to connect...for market FO|StatusThread.cpp|::show_qel_status";
        QCOMPARE(fixture.Count(connecting), 1u);
        fixture.processes.SetRunning({});
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Not Running"), 2000);
        fixture.processes.SetRunning({"qel_ip_fo.exe"});
        QTRY_COMPARE_WITH_TIMEOUT(fixture.Count(connecting), 2u, 2000);
    }

    void shortWindowScrollsByTheDesignedSteps() {
        GuiFixture fixture;
        CZEVOClientPHASE4Dlg window(fixture.Machine());
        window.resize(900, 800);
        window.OnInitDialog();
        window.show();
        window.resize(900, 300);
        QCOMPARE(window.ScrollBar()->maximum(), 500);
        QCOMPARE(window.ScrollBar()->singleStep(), 5);
        QCOMPARE(window.ScrollBar()->pageStep(), 50);
        window.ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        window.ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(window.ScrollBar()->value(), 55);
        window.ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);  // does nothing
        QCOMPARE(window.ScrollBar()->value(), 55);
        window.resize(900, 900);
        QCOMPARE(window.ScrollBar()->value(), 0);
        window.done(0);
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
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
