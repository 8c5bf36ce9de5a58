// The configuration history, read with the real git program: one commit per save with its
// author and the keys changed, a change made with an editor as its own commit, and a history
// that cannot be written never stopping a save.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <cstdlib>
#include <string>

#include "support/CliFixture.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

using History = CliInstallation;

// What `git -C <folder> arguments...` prints, or "" when it fails.
std::string Git(const std::string& folder, const QStringList& arguments) {
    QProcess git;
    git.start("git", QStringList{"-C", QString::fromStdString(folder)} + arguments);
    if (!git.waitForFinished(30000) || git.exitCode() != 0) {
        return {};
    }
    return git.readAllStandardOutput().toStdString();
}

std::string Me() {
    const passwd* account = getpwuid(getuid());
    return account ? account->pw_name : std::to_string(getuid());
}

TEST_F(History, EachSaveIsACommitAndAnEditorsChangeIsItsOwn) {
    const std::string history = layout.LogDir() + "/history";
    const std::string config = layout.ConfigPath(2);
    const std::string box = Run({"config", "get", "FO", "BOX_ID"}).out;
    ASSERT_EQ(Run({"config", "set", "FO", "BOX_ID=7", "--no-restart"}).status, 0);
    // An operator's editor, between two saves.
    WriteFile(config, ReadFile(config) + "OPERATOR_NOTE=1\n");
    ASSERT_EQ(Run({"fix", "add", "FO", "12", "7", "--no-restart"}).status, 0);

    EXPECT_EQ(Git(history, {"log", "--format=%an|%s"}),
              Me() +
                  "|FO: qel_fix_fo.cfg: [SESSION], TargetCompID\n"
                  "outside ZEVO|changed outside ZEVO\n" +
                  Me() +
                  "|FO: qel_ip_fo.cfg: BOX_ID\n"
                  "ZEVO|as found before the first save\n");
    // The save's commit holds exactly the lines it changed.
    const std::string shown = Git(history, {"show", "--format=", "--unified=0", "HEAD~2", "--",
                                            QString::fromStdString(config.substr(1))});
    EXPECT_EQ(shown.substr(shown.find('\n', shown.find("@@")) + 1),
              "-BOX_ID=" + box + "+BOX_ID=7\n");
    // The work tree is the last commit: plain git sees nothing to commit.
    EXPECT_EQ(Git(history, {"status", "--porcelain"}), "");
}

// zevo-cli lists the saves, shows what one changed, and brings one back byte for byte as a
// save of its own.
TEST_F(History, ARestoreBringsBackASaveByteForByteAsASaveOfItsOwn) {
    const std::string history = layout.LogDir() + "/history";
    const std::string config = layout.ConfigPath(2);
    const std::string fix = layout.FixConfigPath(2);
    ASSERT_EQ(Run({"config", "set", "FO", "BOX_ID=7", "--no-restart"}).status, 0);
    const std::string first = Git(history, {"rev-parse", "HEAD"}).substr(0, 40);
    const std::string savedConfig = ReadFile(config);
    const std::string savedFix = ReadFile(fix);
    ASSERT_EQ(Run({"config", "set", "FO", "BOX_ID=8", "--no-restart"}).status, 0);
    ASSERT_EQ(Run({"fix", "add", "FO", "12", "7", "--no-restart"}).status, 0);

    const CliResult diff = Run({"config", "diff", QString::fromStdString(first)});
    EXPECT_EQ(diff.status, 0);
    EXPECT_NE(diff.out.find("\n-BOX_ID=100\n+BOX_ID=7\n"), std::string::npos) << diff.out;
    const CliResult restore = Run(
        {"config", "restore", "FO", QString::fromStdString(first.substr(0, 8)), "--no-restart"});
    EXPECT_EQ(restore.status, 0) << restore.err;
    EXPECT_EQ(ReadFile(config), savedConfig);
    EXPECT_EQ(ReadFile(fix), savedFix);
    EXPECT_EQ(Git(history, {"log", "-1", "--format=%s"}),
              "FO: restore of " + first.substr(0, 8) +
                  ": qel_ip_fo.cfg: BOX_ID; qel_fix_fo.cfg: [SESSION], TargetCompID\n");
    const CliResult listed = Run({"config", "history", "FO"});
    EXPECT_EQ(listed.out.substr(0, 8),
              Git(history, {"rev-parse", "--short=8", "HEAD"}).substr(0, 8));
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 5);  // found + 4 saves
    const CliResult unknown = Run({"config", "restore", "FO", "nosuch"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "zevo-cli: no save nosuch in the history\n");
}

// The shipped push unit's command, with systemd's ${...} and %H filled in as systemd fills
// them, pushes the machine's history to a central bare repository, on a branch of its name.
TEST_F(History, ThePushUnitSendsTheHistoryToTheFleetsRepository) {
    ASSERT_EQ(Run({"config", "set", "FO", "BOX_ID=7", "--no-restart"}).status, 0);
    const std::string central = dir.File("central.git");
    ASSERT_EQ(std::system(("git init --quiet --bare " + central).c_str()), 0);
    std::string command;
    for (const std::string& line :
         ReadLines(ZEVO_SOURCE_DIR "/packaging/monitoring/zevo-history-push.service")) {
        if (line.rfind("ExecStart=", 0) == 0) {
            command = line.substr(10);
        }
    }
    char host[256] = {0};
    gethostname(host, sizeof host - 1);
    const auto fill = [&](const std::string& from, const std::string& to) {
        for (std::size_t at; (at = command.find(from)) != std::string::npos;) {
            command.replace(at, from.size(), to);
        }
    };
    fill("${ZEVO_HISTORY}", layout.LogDir() + "/history");
    fill("${ZEVO_HISTORY_REMOTE}", central);
    fill("%H", host);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(Git(central, {"log", "--format=%s", host}),
              "FO: qel_ip_fo.cfg: BOX_ID\nas found before the first save\n");
}

TEST_F(History, AHistoryThatCannotBeWrittenNeverStopsASave) {
    // A file where the history's folder would be: nothing can be made there.
    WriteFile(layout.LogDir() + "/history", "not a folder\n");
    for (const char* value : {"BOX_ID=7", "BOX_ID=8"}) {
        ASSERT_EQ(Run({"config", "set", "FO", value, "--no-restart"}).status, 0);
    }
    EXPECT_NE(ReadFile(layout.ConfigPath(2)).find("\nBOX_ID=8\n"), std::string::npos);
    std::string behind;
    for (const std::string& line : LogFolderLines(layout)) {
        if (line.find(" is behind: ") != std::string::npos) {
            behind += WithoutLineAndTime(line) + "\n";
        }
    }
    const std::string line = "EVENT|The configuration history in " + layout.LogDir() +
                             "/history is behind: cannot make the history: failed to make "
                             "directory '" +
                             layout.LogDir() +
                             "/history': directory exists|GenericConfiguration.cpp|"
                             "CGenericConfiguration::save_configuration_parameters\n";
    EXPECT_EQ(behind, line + line);  // one line a save
}

// A confirmed save that the gateway cannot run on: a hand-made second session of user 101
// under another broker becomes a duplicate when the broker ID changes to it, the gateway's
// FIX engine refuses the file, and zevo-cli puts both files back and starts the gateway on
// them.
TEST_F(History, AConfirmedSaveTheGatewayCannotRunOnIsRolledBack) {
    const std::string fix = layout.FixConfigPath(2);
    WriteFile(fix, ReadFile(fix) + "\n[SESSION]\nTargetCompID=101,12399,2\n");
    const std::string fixBefore = ReadFile(fix);
    const std::string configBefore = ReadFile(layout.ConfigPath(2));
    const auto service = StartGateways();
    const int running = service->NewGateway("qel_ip_fo.exe");

    QElapsedTimer timer;
    timer.start();
    const CliResult save = Run({"config", "set", "FO", "BROKER_ID=12399", "--confirm", "3"});
    EXPECT_EQ(save.status, 5) << save.err;
    EXPECT_LT(timer.elapsed(), 3000 + 10000);
    EXPECT_EQ(save.err,
              "zevo-cli: FO: QEL did not run again with an accepted version within 3 seconds "
              "(qel_ip_fo.exe is not running). The save was rolled back: the files are as "
              "they were before it, and QEL runs again.\n");
    EXPECT_EQ(ReadFile(fix), fixBefore);
    EXPECT_EQ(ReadFile(layout.ConfigPath(2)), configBefore);
    EXPECT_NE(service->NewGateway("qel_ip_fo.exe", running, layout.InteractivePort(2)), 0);
    EXPECT_EQ(Git(layout.LogDir() + "/history", {"log", "-2", "--format=%s"}),
              "FO: rollback: qel_ip_fo.cfg: BROKER_ID; qel_fix_fo.cfg: TargetCompID\n"
              "FO: qel_ip_fo.cfg: BROKER_ID; qel_fix_fo.cfg: TargetCompID\n");
    EXPECT_EQ(LogLines("EVENT|FO: QEL did not run again with an accepted version within 3 "
                       "seconds (qel_ip_fo.exe is not running): rolling back the "
                       "save|GenericConfiguration.cpp|CGenericConfiguration::kill_qel_exe"),
              1u);
}

// A confirmed save the gateway runs on is kept, and the instance of before the restart is
// not taken for the new one.
TEST_F(History, AConfirmedSaveTheGatewayRunsOnIsKept) {
    const auto service = StartGateways();
    const int running = service->NewGateway("qel_ip_fo.exe");
    const CliResult save = Run({"fix", "add", "FO", "12", "7", "--confirm", "10"});
    EXPECT_EQ(save.status, 0) << save.err;
    EXPECT_NE(save.out.find("FO: QEL runs again with an accepted version: the save is "
                            "confirmed.\n"),
              std::string::npos)
        << save.out;
    const int now = service->NewGateway("qel_ip_fo.exe", running);
    EXPECT_NE(now, 0);
    EXPECT_NE(ReadFile(layout.FixConfigPath(2)).find("TargetCompID=12,12342,7"), std::string::npos);
    EXPECT_EQ(Run({"config", "set", "FO", "BOX_ID=9", "--confirm", "3", "--no-restart"}).status,
              64);
}

}  // namespace
