// zevo-cli's changing commands as configuration management runs them: a second run of the
// same change changes nothing, says so to a machine and writes nothing; an installation
// that cannot be read is said alike by every command, which then writes nowhere; a restart
// can wait for the gateway to run again.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <filesystem>
#include <string>

#include "support/CliFixture.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

using ChangingCommands = CliInstallation;

// The bytes of every file of the log folder but the history.
std::uintmax_t LogBytes(const InstallationLayout& layout) {
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(layout.LogDir())) {
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
        }
    }
    return bytes;
}

// zevo-cli run in `folder` as its working directory, with `store` as its settings store.
CliResult RunIn(const std::string& folder, const std::string& store, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QEL_IP_REGISTRY", QString::fromStdString(store));
    environment.insert("QEL_IP_SERVICE_DIR", QString::fromStdString(folder + "/no-service"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(folder));
    process.start(ZEVO_CLI_PATH, arguments);
    process.waitForFinished(30000);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

TEST_F(ChangingCommands, ASecondRunOfTheSameChangeChangesNothingAndWritesNothing) {
    const std::string none = ProcessTable({});  // no gateway runs: nothing to restart
    const QList<QStringList> commands = {
        {"config", "set", "FO", "BOX_ID=7", "--no-restart", "--json"},
        {"fix", "add", "FO", "12", "7", "--json"},
        {"fix", "edit", "FO", "102", "8", "--json"},
        {"fix", "delete", "FO", "101", "--absent-ok", "--json"},
    };
    for (const QStringList& command : commands) {
        const CliResult first = Run(command, none);
        EXPECT_EQ(first.status, 0) << first.err;
        EXPECT_NE(first.out.find("\"changed\":true"), std::string::npos) << first.out;
    }
    const std::string restore = "{\"changed\":false,\"market\":\"FO\",\"revision\":\"HEAD\"}\n";
    const std::uintmax_t before = LogBytes(layout);
    // 100 no-op runs, 20 of each changing command.
    for (int run = 0; run < 20; ++run) {
        for (const QStringList& command : commands) {
            const CliResult again = Run(command, none);
            ASSERT_EQ(again.status, 0) << again.err;
            ASSERT_NE(again.out.find("\"changed\":false"), std::string::npos) << again.out;
        }
        ASSERT_EQ(Run({"config", "restore", "FO", "HEAD", "--json"}, none).out, restore);
    }
    EXPECT_EQ(LogBytes(layout), before);
    // The state forms: an add of a user listed with another branch is still refused.
    const CliResult other = Run({"fix", "add", "FO", "12", "9"}, none);
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.err, "zevo-cli: User ID 12 already exists.\n");
    EXPECT_EQ(Run({"fix", "delete", "FO", "101"}, none).err,
              "zevo-cli: User ID 101 is not in the FIX users list of FO\n");
}

// What configuration management's check and diff modes read: the lines that would change,
// and a file left as it is.
TEST_F(ChangingCommands, ADryRunShowsTheLinesThatWouldChangeAndWritesNothing) {
    const std::string fix = ReadFile(layout.FixConfigPath(2));
    const std::string config = ReadFile(layout.ConfigPath(2));
    const std::uintmax_t logged = LogBytes(layout);
    const CliResult add = Run({"fix", "add", "FO", "12", "7", "--dry-run", "--json"});
    EXPECT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(add.out,
              "{\"after\":\"TargetCompID=12,12342,7\\n\",\"before\":\"\",\"changed\":true,"
              "\"dry_run\":true,\"market\":\"FO\",\"user_id\":12}\n");
    EXPECT_EQ(Run({"fix", "edit", "FO", "102", "9", "--dry-run"}).out,
              "- TargetCompID=102,12342,3\n+ TargetCompID=102,12342,9\n");
    const CliResult set = Run({"config", "set", "FO", "BOX_ID=9", "--dry-run", "--json"});
    EXPECT_EQ(set.out,
              "{\"changed\":true,\"changes\":[{\"from\":\"100\",\"key\":\"BOX_ID\",\"to\":\"9\"}],"
              "\"dry_run\":true,\"fix_file_follows\":false,\"market\":\"FO\"}\n");
    EXPECT_EQ(ReadFile(layout.FixConfigPath(2)), fix);
    EXPECT_EQ(ReadFile(layout.ConfigPath(2)), config);
    EXPECT_EQ(LogBytes(layout), logged);
}

// Missing, empty, garbage or a folder: every command says why with status 3 and writes no
// file anywhere, neither in the installation nor in the working directory.
TEST_F(ChangingCommands, AnInstallationThatCannotBeReadIsSaidAlikeByEveryCommand) {
    const std::string work = dir.File("work");
    std::filesystem::create_directories(work);
    WriteFile(dir.File("empty.reg"), "");
    WriteFile(dir.File("garbage.reg"), "\x01\x02 not a settings file ]]\n");
    const std::pair<std::string, std::string> stores[] = {
        {dir.File("missing.reg"), dir.File("missing.reg") + ": No such file or directory"},
        {dir.File("empty.reg"), "no settings in " + dir.File("empty.reg")},
        {dir.File("garbage.reg"), "no settings in " + dir.File("garbage.reg")},
        {work, work + ": it is a folder"},
    };
    const QList<QStringList> commands = {{"status"},
                                         {"users", "FO"},
                                         {"config", "set", "FO", "BOX_ID=5"},
                                         {"fix", "list", "FO"},
                                         {"restart", "FO"},
                                         {"start"},
                                         {"config", "history"}};
    for (const auto& [store, reason] : stores) {
        for (const QStringList& command : commands) {
            const CliResult result = RunIn(work, store, command);
            EXPECT_EQ(result.status, 3) << command.join(' ').toStdString();
            EXPECT_EQ(result.err, "zevo-cli: the installation cannot be read: " + reason + "\n")
                << command.join(' ').toStdString();
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(work));
}

// --wait returns once the new instance sends its version; a gateway that is down is said at
// once.
TEST_F(ChangingCommands, ARestartCanWaitForTheGatewayToRunAgain) {
    const auto service = StartGateways();
    const int before = service->NewGateway("qel_ip_fo.exe");
    const CliResult restarted = Run({"restart", "FO", "--wait", "--timeout", "20"});
    EXPECT_EQ(restarted.status, 0) << restarted.err;
    EXPECT_EQ(restarted.out, "The gateway of FO runs again with an accepted version.\n");
    const int after = service->NewGateway("qel_ip_fo.exe", before);
    EXPECT_NE(after, 0);
    EXPECT_NE(after, before);
    service->Stop();
    const CliResult down = Run({"restart", "FO", "--wait"});
    EXPECT_EQ(down.status, 1);
    EXPECT_EQ(down.err, "zevo-cli: the gateway of FO refused the connection on port " +
                            std::to_string(layout.InteractivePort(2)) + "\n");
}

}  // namespace
