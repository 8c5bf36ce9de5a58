// The configuration history in the window: three saves by three paths as three commits read
// with the real git program, the history dialog's saves and diffs, a restore from it, and a
// confirmed save from the gateway configuration dialog that rolls itself back.
#include <unistd.h>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "config/ConfigHistoryDialog.h"
#include "config/ControlIds.h"
#include "config/GenericConfiguration.h"
#include "core/CommandIds.h"
#include "platform/Accounts.h"
#include "support/CliRun.h"
#include "support/GuiFixture.h"
#include "support/WidgetText.h"

using namespace testing_support;

namespace {

// What `git -C <folder> arguments...` prints.
std::string Git(const std::string& folder, const QStringList& arguments) {
    QProcess git;
    git.start("git", QStringList{"-C", QString::fromStdString(folder)} + arguments);
    git.waitForFinished(30000);
    return git.readAllStandardOutput().toStdString();
}

// The lines a commit changed in `file`, as "git show --unified=0" gives them after its
// hunk header.
std::string Changed(const std::string& history, const QString& commit, const std::string& file) {
    const std::string shown = Git(history, {"show", "--format=", "--unified=0", commit, "--",
                                            QString::fromStdString(file.substr(1))});
    const std::size_t hunk = shown.find("\n@@");
    return hunk == std::string::npos ? shown : shown.substr(shown.find('\n', hunk + 1) + 1);
}

}  // namespace

class HistoryDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void threeSavesByThreePathsAreThreeCommitsAndTheDialogRestoresOne() {
        GuiFixture world({2}, {2});
        const std::string config = world.layout.ConfigPath(2);
        const std::string fix = world.layout.FixConfigPath(2);
        const std::string history = world.layout.LogDir() + "/history";
        const std::string firstConfig = ReadFile(config);
        const std::string firstFix = ReadFile(fix);
        CZEVOClientPHASE4Dlg& window = world.Window();

        // The window's dialog, zevo-cli config set, zevo-cli fix add.
        WhenModal<CGenericConfiguration>([](CGenericConfiguration* dialog) {
            Type(dialog, control_id::kBoxId, "9");
            Click(dialog, control_id::kSave);
            dialog->reject();
        });
        window.OnCommand(cmd::kQelConfiguration[1]);
        std::filesystem::create_directories(world.dir.File("proc"));  // no gateway runs
        for (const QStringList& command :
             {QStringList{"config", "set", "FO", "HOST_PORT_NUMBER=10299", "--no-restart"},
              QStringList{"fix", "add", "FO", "12", "7", "--no-restart"}}) {
            QCOMPARE(RunCli(world.layout, command, world.dir.File("none"), world.dir.File("proc"))
                         .status,
                     0);
        }
        const std::string me = platform::AccountName(getuid());
        QCOMPARE(Git(history, {"log", "--format=%an|%s"}),
                 me + "|FO: qel_fix_fo.cfg: [SESSION], TargetCompID\n" + me +
                     "|FO: qel_ip_fo.cfg: HOST_PORT_NUMBER\n" + me +
                     "|FO: qel_ip_fo.cfg: BOX_ID\n"
                     "ZEVO|as found before the first save\n");
        QCOMPARE(Changed(history, "HEAD~2", config), std::string("-BOX_ID=100\n+BOX_ID=9\n"));
        QCOMPARE(Changed(history, "HEAD~1", config),
                 std::string("-HOST_PORT_NUMBER=10202\n+HOST_PORT_NUMBER=10299\n"));
        QCOMPARE(Changed(history, "HEAD", fix),
                 std::string("+\n+#BeginSession_12\n+[SESSION]\n+TargetCompID=12,12342,7\n"
                             "+#EndSession_12\n"));

        // The dialog: newest first, each save's diff, then the first version restored.
        bool seen = false;
        WhenModal<CConfigHistoryDialog>([&](CConfigHistoryDialog* dialog) {
            auto* saves = Get<QTreeWidget>(dialog, control_id::kHistorySaves);
            auto* diff = Get<QPlainTextEdit>(dialog, control_id::kHistoryDiff);
            QCOMPARE(Column(saves, 3),
                     QStringList({"FO: qel_fix_fo.cfg: [SESSION], TargetCompID",
                                  "FO: qel_ip_fo.cfg: HOST_PORT_NUMBER",
                                  "FO: qel_ip_fo.cfg: BOX_ID", "as found before the first save"}));
            QCOMPARE(Column(saves, 1),
                     QStringList({QString::fromStdString(me), QString::fromStdString(me),
                                  QString::fromStdString(me), "ZEVO"}));
            QCOMPARE(Column(saves, 2)[1], QString("qel_ip_fo.cfg"));
            QVERIFY(diff->toPlainText().contains("\n+TargetCompID=12,12342,7\n"));
            saves->setCurrentItem(saves->topLevelItem(2));
            QVERIFY(diff->toPlainText().contains("\n-BOX_ID=100\n+BOX_ID=9\n"));
            // Against today: what changed since that save.
            QTest::mouseClick(Get<QRadioButton>(dialog, control_id::kHistoryAgainstToday),
                              Qt::LeftButton);
            QVERIFY(diff->toPlainText().contains(
                "\n-HOST_PORT_NUMBER=10202\n+HOST_PORT_NUMBER=10299\n"));
            QVERIFY(!diff->toPlainText().contains("\n-BOX_ID"));
            saves->setCurrentItem(saves->topLevelItem(3));
            Click(dialog, control_id::kHistoryRestore);
            QCOMPARE(saves->topLevelItemCount(), 5);
            seen = true;
            dialog->reject();
        });
        window.OnCommand(cmd::kConfigurationHistory[1]);
        QVERIFY(seen);
        const std::string first = Git(history, {"rev-list", "--max-parents=0", "HEAD"});
        QCOMPARE(world.boxes.shown.back(), "Success: The configuration of FO is restored as save " +
                                               first.substr(0, 8) + " left it.");
        QCOMPARE(ReadFile(config), firstConfig);
        QCOMPARE(ReadFile(fix), firstFix);
        QCOMPARE(Git(history, {"log", "-1", "--format=%s"}),
                 "FO: restore of " + first.substr(0, 8) +
                     ": qel_ip_fo.cfg: HOST_PORT_NUMBER, BOX_ID; qel_fix_fo.cfg: [SESSION], "
                     "TargetCompID\n");
        QCOMPARE(Git(history, {"status", "--porcelain"}), std::string());
    }

    // A history that cannot be written: the save is done, and the window says the history is
    // behind once the dialog's handler has returned.
    void aSaveWhoseHistoryIsBehindIsDoneAndSaysSo() {
        GuiFixture world({2}, {2});
        const std::string history = world.layout.LogDir() + "/history";
        WriteFile(history, "not a folder\n");
        CZEVOClientPHASE4Dlg& window = world.Window();
        WhenModal<CGenericConfiguration>([](CGenericConfiguration* dialog) {
            Type(dialog, control_id::kBoxId, "9");
            Click(dialog, control_id::kSave);
            dialog->reject();
        });
        window.OnCommand(cmd::kQelConfiguration[1]);
        QVERIFY(ReadFile(world.layout.ConfigPath(2)).find("\nBOX_ID=9\n") != std::string::npos);
        const std::string said = "Warning: The configuration history in " + history +
                                 " is behind: cannot make the history: failed to make directory "
                                 "'" +
                                 history + "': directory exists\nThe save itself is done.";
        const auto count = [&] {
            return std::count(world.boxes.shown.begin(), world.boxes.shown.end(), said);
        };
        QVERIFY(PumpUntil([&] { return count() > 0; }));
        QCOMPARE(count(), 1);
    }

    // No gateway comes back: the window puts the file back and says so in a box, after the
    // dialog is gone.
    void aConfirmedSaveFromTheWindowRollsBackAndSaysSo() {
        GuiFixture world({2}, {2});
        const std::string config = world.layout.ConfigPath(2);
        const std::string before = ReadFile(config);
        CZEVOClientPHASE4Dlg& window = world.Window();
        WhenModal<CGenericConfiguration>([](CGenericConfiguration* dialog) {
            auto* confirm = Get<QCheckBox>(dialog, control_id::kConfirmSave);
            QVERIFY(!confirm->isHidden());
            QVERIFY(!confirm->isChecked());
            confirm->click();
            Get<QSpinBox>(dialog, control_id::kConfirmSeconds)->setValue(5);
            Type(dialog, control_id::kBoxId, "9");
            Click(dialog, control_id::kSave);
            dialog->reject();
        });
        window.OnCommand(cmd::kQelConfiguration[1]);
        QVERIFY(ReadFile(config) != before);
        const std::string said =
            "Warning: FO: QEL did not run again with an accepted version within 5 seconds "
            "(qel_ip_fo.exe is not running). The save was rolled back: the files are as "
            "they were before it, but QEL did not run again either (qel_ip_fo.exe is not "
            "running).";
        QVERIFY(PumpUntil(
            [&] { return !world.boxes.shown.empty() && world.boxes.shown.back() == said; },
            std::chrono::seconds(20)));
        QCOMPARE(ReadFile(config), before);
        QVERIFY(
            world.HasLine("EVENT|FO: QEL did not run again with an accepted version within 5 "
                          "seconds (qel_ip_fo.exe "
                          "is not running): rolling back the save|GenericConfiguration.cpp|"
                          "CGenericConfiguration::kill_qel_exe"));
    }
};

QTEST_MAIN(HistoryDialogTest)
#include "HistoryDialogTest.moc"
