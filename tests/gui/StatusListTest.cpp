// The status list follows gateway processes started and stopped under their names.

#include <unistd.h>

#include <QFile>
#include <atomic>
#include <QProcess>
#include <QTest>
#include <QTreeWidget>

#include "GatewayPeer.h"
#include "InstallationLayout.h"
#include "platform/ProcessList.h"
#include "views/GenericLogs.h"
#include "views/LogMessageModel.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "log/ActivityLog.h"
#include "platform/RegistryFile.h"
#include "support/RecordingBoxes.h"

using namespace testing_support;

namespace {
// A process list in which FO's gateway runs while the test says so.
struct SwitchedProcessList final : platform::ProcessList {
    bool Snapshot(std::vector<std::string>* names, long*) const override {
        names->clear();
        if (running) {
            names->push_back("qel_ip_fo.exe");
        }
        return true;
    }
    std::atomic<bool> running{false};
};
}  // namespace

class StatusListTest : public QObject {
    Q_OBJECT
private slots:
    void rowFollowsTheGatewayProcess_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("lower case") << "qel_ip_fo.exe";
        QTest::newRow("upper case") << "QEL_IP_FO.EXE";
    }

    void rowFollowsTheGatewayProcess() {
        QFETCH(QString, name);
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        layout.markets = {1, 2};
        QVERIFY(layout.Write());
        platform::RegistryFileStore store(layout.RegistryPath());
        RecordingBoxes boxes(platform::IDYES);
        CZEVOClientPHASE4Dlg window(store);
        window.OnInitDialog();
        auto* status = window.findChild<QTreeWidget*>("1005");
        QTreeWidgetItem* fo = status->topLevelItem(1);
        QCOMPARE(fo->text(0), QString("FO"));
        QCOMPARE(fo->text(1), QString("Not Running"));

        const QString link = QString::fromStdString(dir.path()) + "/" + name;
        QVERIFY(QFile::link(QEL_GATEWAY_PATH, link));
        QProcess gateway;
        gateway.start(link, {"--market", "fo", "--log-port", "0", "--interactive-port", "0", "--rate", "0"});
        QVERIFY(gateway.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Running"), 1000);
        QCOMPARE(status->topLevelItem(0)->text(1), QString("Not Running"));
        gateway.terminate();
        QVERIFY(gateway.waitForFinished());
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Not Running"), 1000);

        window.ExitZEVO();
        auto lines = ReadLines(window.Log()->CurrentFilePath());
        QVERIFY(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("ACTIVITY|Thread id for show_qel_status thread is [", 0) == 0;
        }));
        QVERIFY(lines.size() >= 2);
        QCOMPARE(WithoutLineAndTime(lines[lines.size() - 2]),
                 std::string("ACTIVITY|Killing QEL status thread.|ZEVOClientPHASE4Dlg.cpp|"
                             "CZEVOClientPHASE4Dlg::ExitZEVO"));
        QCOMPARE(WithoutLineAndTime(lines.back()),
                 std::string("ACTIVITY|Killing QEL statistics thread.|ZEVOClientPHASE4Dlg.cpp|"
                             "CZEVOClientPHASE4Dlg::ExitZEVO"));
    }

    // The status thread connects a log page each time its gateway is seen starting.
    void logPageConnectsWhenItsGatewayStarts() {
        TempDir dir;
        InstallationLayout layout;
        layout.root = dir.path();
        layout.markets = {2};
        layout.basePort = 30000 + (getpid() % 1000) * 16;
        QVERIFY(layout.Write());
        GatewayPeer::Options options;
        options.market = 2;
        options.version = 10102;
        options.nonInteractivePort = layout.NonInteractivePort(2);
        options.interactivePort = layout.InteractivePort(2);
        options.script = {gateway::VersionMessage(10102), gateway::LogMessage(false, 0, 7, 12010, 0)};
        GatewayPeer peer(options);
        QString error;
        QVERIFY2(peer.Listen(&error), qPrintable(error));

        SwitchedProcessList processes;
        platform::RegistryFileStore store(layout.RegistryPath());
        RecordingBoxes boxes(platform::IDYES);
        CZEVOClientPHASE4Dlg window(store);
        window.SetProcessList(processes);
        window.OnInitDialog();
        QTreeWidgetItem* fo = window.StatusList()->topLevelItem(0);
        processes.running = true;
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(2), QString("10102"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(window.LogPage(0)->Model().rowCount(), 1, 5000);
        const std::string connecting = "ACTIVITY|Attempting to connect...for market FO|StatusThread.cpp|::show_qel_status";
        auto count = [&] { return static_cast<int>(CountLogLines(window.Log()->CurrentFilePath(), connecting)); };
        QCOMPARE(count(), 1);
        processes.running = false;
        QTRY_COMPARE_WITH_TIMEOUT(fo->text(1), QString("Not Running"), 2000);
        processes.running = true;
        QTRY_COMPARE_WITH_TIMEOUT(count(), 2, 2000);
        window.ExitZEVO();
    }
};

QTEST_MAIN(StatusListTest)
#include "StatusListTest.moc"
