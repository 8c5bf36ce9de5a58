#include <QTest>
#include <QTreeWidget>

#include "app/AboutDlg.h"
#include "support/GuiFixture.h"
#include "support/WidgetText.h"

using namespace testing_support;

namespace {

// The rows of the components list, as "Component / Version".
QStringList Rows(CAboutDlg& about) {
    return testing_support::Rows(about.findChild<QTreeWidget*>("1035")->model(), 2);
}

}  // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT
  private slots:
    void listsMarketsThenSharedComponents() {
        GuiFixture fixture({SLBM, CM});
        CAboutDlg about(fixture.Store());
        QCOMPARE(about.windowTitle(), QString("About ZEVO "));
        QVERIFY(!fixture.Window().windowIcon().isNull());  // the program's icon
        QCOMPARE(Rows(about),
                 QStringList({"QEL CM / 1.01.01", "QEL SLBM / 3.10.06", "Plexa / 2.3.1",
                              "Dorva / 1.8.0", "QEL Monitoring Service / 4.0.2",
                              "QEL Statistics / 4.0.1", "ZEVO / 4.0.0", "Uninstaller / 1.2.0"}));
        QVERIFY(fixture.boxes.shown.empty());
    }

    void stopsWithOneErrorBoxAtTheFirstMissingValue() {
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
            QCOMPARE(Rows(about), rows);
            QCOMPARE(boxes.shown,
                     std::vector<std::string>{"Error: Cannot query registry. QEL Setup Error.."});
        }
    }
};

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
