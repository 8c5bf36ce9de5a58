#include "app/AboutDlg.h"

#include <QTest>
#include <QTreeWidget>

#include "platform/RegistryFile.h"
#include "support/RecordingBoxes.h"

using namespace testing_support;

namespace {

const char* const kCommon =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\COMMON]\n"
    "\"PLEXA_VERSION\"=\"2.3\"\n\"DORVA_VERSION\"=\"1.8\"\n\"QEL_MONITORING_VERSION\"=\"4.0\"\n"
    "\"QEL_STATISTICS_VERSION\"=\"4.1\"\n\"ZEVO_IP_VERSION\"=\"4.0.0\"\n\"UNINSTALLER_VERSION\"=\"1.2\"\n";

const std::string kErrorBox = "Error: Cannot query registry. QEL Setup Error..";

QStringList Rows(CAboutDlg& about) {
    auto* list = about.findChild<QTreeWidget*>("1035");
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows << list->topLevelItem(i)->text(0) + "=" + list->topLevelItem(i)->text(1);
    }
    return rows;
}

}  // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT
private slots:
    void listsMarketsThenSharedComponents() {
        TempDir dir;
        WriteFile(dir.File("r.reg"), std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\1]\n\"VERSION\"=\"1.01\"\n"
                                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\6]\n\"VERSION\"=\"3.10\"\n") +
                                         kCommon);
        platform::RegistryFileStore store(dir.File("r.reg"));
        RecordingBoxes boxes;
        CAboutDlg about(store);
        QCOMPARE(about.windowTitle(), QString("About ZEVO "));
        QCOMPARE(Rows(about), QStringList({"QEL CM=1.01", "QEL SLBM=3.10", "Plexa=2.3", "Dorva=1.8",
                                           "QEL Monitoring Service=4.0", "QEL Statistics=4.1",
                                           "ZEVO=4.0.0", "Uninstaller=1.2"}));
        QVERIFY(boxes.shown.empty());
    }

    void stopsAtTheFirstMissingValue() {
        TempDir dir;
        RecordingBoxes boxes;
        WriteFile(dir.File("a.reg"), std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\1]\n\"VERSION\"=\"1.01\"\n"
                                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\6]\n"
                                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\7]\n\"VERSION\"=\"3.01\"\n") +
                                         kCommon);
        platform::RegistryFileStore slbmWithoutVersion(dir.File("a.reg"));
        CAboutDlg first(slbmWithoutVersion);
        QCOMPARE(Rows(first), QStringList({"QEL CM=1.01"}));

        std::string common = kCommon;
        common.erase(common.find("\"DORVA_VERSION\""), std::string("\"DORVA_VERSION\"=\"1.8\"\n").size());
        WriteFile(dir.File("b.reg"), common);
        platform::RegistryFileStore noDorva(dir.File("b.reg"));
        CAboutDlg second(noDorva);
        QCOMPARE(Rows(second), QStringList({"Plexa=2.3"}));

        platform::RegistryFileStore nothing(dir.File("absent.reg"));
        CAboutDlg third(nothing);
        QCOMPARE(Rows(third), QStringList());
        QCOMPARE(boxes.shown, (std::vector<std::string>{kErrorBox, kErrorBox, kErrorBox}));
    }
};

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
