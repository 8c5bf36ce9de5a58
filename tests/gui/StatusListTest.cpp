// The status list follows gateway processes started and stopped under their names.

#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTreeWidget>

#include "InstallationLayout.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "log/ActivityLog.h"
#include "platform/RegistryFile.h"
#include "support/RecordingBoxes.h"

using namespace testing_support;

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
};

QTEST_MAIN(StatusListTest)
#include "StatusListTest.moc"
