#include <QAction>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QScrollBar>
#include <atomic>
#include <thread>
#include <unistd.h>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "InstallationLayout.h"
#include "app/CommandIds.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "platform/MessageBox.h"
#include "platform/RegistryFile.h"
#include "log/ActivityLog.h"
#include "platform/ProcessList.h"
#include "app/ViewTabCtrl.h"
#include "views/GenericLogs.h"
#include "views/GenericStatistics.h"
#include "support/RecordingBoxes.h"

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

// Whether the window's activity log holds the line (without line number and time). The
// status thread writes beside the GUI thread, so lines are looked for, not counted from the end.
bool HasLine(CZEVOClientPHASE4Dlg& window, const std::string& expected) {
    return CountLogLines(window.Log()->CurrentFilePath(), expected) > 0;
}

// A process list that is slow to read, as on a loaded machine.
struct SlowProcessList final : platform::ProcessList {
    bool Snapshot(std::vector<std::string>* names, long*) const override {
        ++entered;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        names->clear();
        return true;
    }
    mutable std::atomic<int> entered{0};
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void tabsAndMenusFollowTheInstalledMarkets() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        layout.markets = {1, 7};
        layout.fixMarkets = {7};
        QVERIFY(layout.Write());
        platform::RegistryFileStore store(layout.RegistryPath());
        CZEVOClientPHASE4Dlg window(store);
        window.OnInitDialog();

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
        QCOMPARE(window.LogPage(1)->MarketType(), 7);
        QCOMPARE(window.LogPage(1)->GatewayPort(), std::to_string(layout.NonInteractivePort(7)));
        QCOMPARE(window.StatisticsPage(0)->MarketType(), 100);
        QCOMPARE(window.StatisticsPage(2)->MarketType(), 7);
        QVERIFY(window.StatisticsPage(3) == nullptr);
        // The selected page is shown and the others hidden.
        window.show();
        window.LogTabs()->setCurrentIndex(1);
        QVERIFY(window.LogPage(1)->isVisible());
        QVERIFY(!window.LogPage(0)->isVisible());
        QVERIFY(HasLine(window, "ACTIVITY|Details of INPUT_FOR_LOGS_THREAD for market type 7 - MF|"
                                "ZEVOClientPHASE4Dlg.cpp|CZEVOClientPHASE4Dlg::despatch_threads_for_logs_windows"));
        QVERIFY(HasLine(window, "ACTIVITY|Market type of INPUT_FOR_STATISTICS_THREAD for index [1] is -1 - |"
                                "ZEVOClientPHASE4Dlg.cpp|void CZEVOClientPHASE4Dlg::despatch_threads_for_statistics_windows"));
        // The system menu's About entry.
        QCOMPARE(window.Command(cmd::kSystemAbout)->text(), QString("&About ZEVO"));
        QVERIFY(window.actions().contains(window.Command(cmd::kSystemAbout)));
        QCOMPARE(window.Command(32801)->text(), QString("C&D"));
        QCOMPARE(window.Command(32798)->text(), QString("&ZEVO Help            F1"));
    }

    void escapeAsksAndNoKeepsTheWindow() {
        TempDir dir;
        InstallationLayout layout;  // nothing installed
        layout.root = dir.path();
        QVERIFY(layout.Write());
        platform::RegistryFileStore store(layout.RegistryPath());
        RecordingBoxes boxes(platform::IDNO);
        CZEVOClientPHASE4Dlg window(store);
        window.OnInitDialog();
        window.show();
        QTest::keyClick(&window, Qt::Key_Return);
        QVERIFY(boxes.shown.empty());
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(boxes.shown, std::vector<std::string>{"ZEVO: Are you sure you want to exit ZEVO?"});
        QVERIFY(window.isVisible());
        QCOMPARE(TabLabels(window, "1000"), QStringList());
        QCOMPARE(TabLabels(window, "1003"), QStringList({"Common"}));

        boxes.answers = {platform::IDYES};
        window.Command(cmd::kExit)->trigger();
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), 0);
    }

    void commandLineOpensAnInstalledMarketsConfiguration() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        layout.markets = {2};
        QVERIFY(layout.Write());
        platform::RegistryFileStore store(layout.RegistryPath());
        // Without a usable "-c" the last line of the start-up is the log page's status list.
        const std::string kNothingMore =
            "QEL status list control's handle assigned to m_dialog_handles_for_tab_display_for_logs[0]";
        const std::pair<QStringList, std::string> cases[] = {
            {{"-c", "2"}, "Posted message to open FO configuration"},
            {{"-c", "1"}, "Market CM not installed. Not opening configuration window"},
            {{"-c", "9"}, "Invalid market type specified. Not opening any configuration window"},
            {{"-c", "FO"}, "Invalid market type specified. Not opening any configuration window"},
            {{"-c"}, kNothingMore},
            {{"-x", "2"}, kNothingMore},
        };
        for (const auto& [arguments, expected] : cases) {
            CZEVOClientPHASE4Dlg window(store);
            window.OnInitDialog(arguments);
            std::string last;
            for (const std::string& line : ReadLines(window.Log()->CurrentFilePath())) {
                if (line.rfind("ACTIVITY|", 0) == 0 &&
                    line.find("|CZEVOClientPHASE4Dlg::OnInitDialog|") != std::string::npos) {
                    last = line.substr(9, line.find('|', 9) - 9);
                }
            }
            QCOMPARE(last, expected);
            window.done(0);
        }
    }

    void helpLogsTheHelpFilePath() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        QVERIFY(layout.Write());
        platform::RegistryFileStore store(layout.RegistryPath());
        CZEVOClientPHASE4Dlg window(store);
        window.OnInitDialog();
        window.Command(cmd::kHelp)->trigger();
        char cwd[1024];
        QVERIFY(getcwd(cwd, sizeof cwd));
        QVERIFY(HasLine(window, "ACTIVITY|Help file path is " + std::string(cwd) +
                                    "/zevo_ip_help.chm|ZEVOClientPHASE4Dlg.cpp|CZEVOClientPHASE4Dlg::ZEVOHelp"));
    }

    void startApplicationsWithoutTheServiceSaysSo() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        layout.markets = {2};
        QVERIFY(layout.Write());
        qputenv("QEL_IP_SERVICE_DIR", QByteArray::fromStdString(layout.ServiceDir()));
        platform::RegistryFileStore store(layout.RegistryPath());
        RecordingBoxes boxes;
        CZEVOClientPHASE4Dlg window(store);
        window.OnInitDialog();
        window.Command(cmd::kStartApplications)->trigger();
        QCOMPARE(boxes.shown, std::vector<std::string>{"Error: Couldn't start QEL application"});
        QVERIFY(HasLine(window, "SYSTEM_ERROR|Error in OpenService(). Cannot access QEL Service. Error [2]|"
                                "GatewayStatus.cpp|CZEVOClientPHASE4Dlg::StartApplications"));
        qunsetenv("QEL_IP_SERVICE_DIR");
    }

    void shortWindowScrollsByTheDesignedSteps() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        QVERIFY(layout.Write());
        platform::RegistryFileStore store(layout.RegistryPath());
        CZEVOClientPHASE4Dlg window(store);
        window.resize(900, 800);
        window.OnInitDialog();
        QCOMPARE(window.StartupRect().height(), 800);
        window.show();
        const int menu = window.findChild<QMenuBar*>("129")->sizeHint().height();
        window.resize(900, 300 + menu);
        QCOMPARE(window.Scroll().Range(), 500);
        QCOMPARE(window.ScrollBar()->maximum(), 500);
        QCOMPARE(window.ScrollBar()->singleStep(), 5);
        QCOMPARE(window.ScrollBar()->pageStep(), 50);
        window.ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        window.ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(window.ScrollBar()->value(), 55);
        window.ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);  // does nothing
        QCOMPARE(window.ScrollBar()->value(), 55);
        window.resize(900, 900);
        QCOMPARE(window.Scroll().Range(), 0);
        QCOMPARE(window.ScrollBar()->value(), 0);
    }

    void maximizingKeepsTheStartupPlaceAndSize() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        QVERIFY(layout.Write());
        platform::RegistryFileStore store(layout.RegistryPath());
        CZEVOClientPHASE4Dlg window(store);
        window.setGeometry(20, 30, 400, 300);
        window.OnInitDialog();
        window.show();
        const QRect startup = window.StartupRect();
        window.showMaximized();
        QVERIFY(PumpUntil([&] { return !window.isMaximized() && window.frameGeometry() == startup; }, std::chrono::seconds(2)));
    }

    void exitWithBothThreadsBusyIsQuick() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        layout.markets = {1, 2, 3, 4, 5, 6, 7};
        QVERIFY(layout.Write());
        // A statistics file that takes seconds to parse, and a process list that takes 300 ms.
        std::string big;
        for (int i = 0; i < 400000; ++i) {
            big += "100,Orders per second,1234,Nos,1700000000|\n";
        }
        WriteFile(layout.StatisticsDir() + "/big.stat", big);
        SlowProcessList processes;
        platform::RegistryFileStore store(layout.RegistryPath());
        RecordingBoxes boxes(platform::IDYES);
        CZEVOClientPHASE4Dlg window(store);
        window.SetProcessList(processes);
        window.OnInitDialog();
        QVERIFY(WaitFor([&] { return processes.entered > 0; }));
        QElapsedTimer timer;
        timer.start();
        window.ExitZEVO();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(window.result(), 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
