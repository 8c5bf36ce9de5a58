// Several writers of one installation's configuration at once: zevo-cli processes started
// together, a writer killed half-way and run again, another process holding the lock, and
// files that zevo-cli must refuse to edit. Every change is checked in the files' bytes.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <regex>

#include "config/FixSessionFile.h"
#include "platform/ConfigLock.h"
#include "support/CliFixture.h"
#include "support/FixText.h"
#include "support/OtherWriter.h"

using namespace testing_support;

namespace {

constexpr int kFo = 2;

class ConfigWriters : public CliInstallation {
  protected:
    void SetUp() override { std::filesystem::create_directories(noProcesses); }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
        environment.insert("QEL_IP_SERVICE_DIR", QString::fromStdString(layout.ServiceDir()));
        environment.insert("QEL_IP_PROC_ROOT", QString::fromStdString(noProcesses));
        return environment;
    }

    // Two zevo-cli runs started together, each to its end.
    std::pair<CliResult, CliResult> RunTogether(const QStringList& first,
                                                const QStringList& second) {
        QProcess a, b;
        for (QProcess* process : {&a, &b}) {
            process->setProcessEnvironment(Environment());
        }
        a.start(ZEVO_CLI_PATH, first);
        b.start(ZEVO_CLI_PATH, second);
        auto result = [](QProcess& process) {
            if (!process.waitForFinished(30000)) {
                process.kill();
                process.waitForFinished();
                return CliResult{};
            }
            return CliResult{process.exitCode(), process.readAllStandardOutput().toStdString(),
                             process.readAllStandardError().toStdString()};
        };
        CliResult ra = result(a);
        return {ra, result(b)};
    }

    CliResult Cli(const QStringList& arguments) { return Run(arguments, noProcesses); }

    // The names in the configuration folder other than the files and the lock: what a save
    // left behind.
    std::vector<std::string> LeftOvers() const {
        std::vector<std::string> left;
        const std::string folder = std::filesystem::path(layout.ConfigPath(kFo)).parent_path();
        for (const std::string& name : ListDir(folder)) {
            if (name.find(".tmp.") != std::string::npos || name.rfind("temp_QEL_FIX_", 0) == 0) {
                left.push_back(name);
            }
        }
        return left;
    }

    std::string Config() const { return layout.ConfigPath(kFo); }
    std::string Fix() const { return layout.FixConfigPath(kFo); }
    std::string noProcesses = dir.File("proc");
};

TEST_F(ConfigWriters, TwoFixAddsAtOnceKeepBothUsersEveryTime) {
    const std::string original = ReadFile(Fix());
    for (int round = 0; round < 100; ++round) {
        WriteFile(Fix(), original);
        const auto [first, second] =
            RunTogether({"fix", "add", "FO", "400", "1", "--no-restart"},
                        {"fix", "add", "FO", "40123", "123", "--no-restart"});
        ASSERT_EQ(first.status, 0) << round << first.err;
        ASSERT_EQ(second.status, 0) << round << second.err;
        EXPECT_EQ(first.out, "New Session added for Trader ID 400 in FIX config file.\n");
        EXPECT_EQ(second.out, "New Session added for Trader ID 40123 in FIX config file.\n");
        const std::string fix = ReadFile(Fix());
        const std::string block400 = Block(400, 1, "12342"), block40123 = Block(40123, 123);
        ASSERT_TRUE(fix == original + block400 + block40123 ||
                    fix == original + block40123 + block400)
            << "round " << round << ":\n"
            << fix;
        ASSERT_EQ(LeftOvers(), std::vector<std::string>{}) << round;
    }
}

TEST_F(ConfigWriters, TwoConfigSetsAtOnceKeepBothValuesEveryTime) {
    const std::string original = ReadFile(Config());
    for (int round = 0; round < 100; ++round) {
        WriteFile(Config(), original);
        const auto [first, second] =
            RunTogether({"config", "set", "FO", "BOX_ID=111", "--no-restart"},
                        {"config", "set", "FO", "HOST_PORT_NUMBER=12345", "--no-restart"});
        ASSERT_EQ(first.status, 0) << round << first.err;
        ASSERT_EQ(second.status, 0) << round << second.err;
        for (const CliResult* result : {&first, &second}) {
            EXPECT_EQ(result->out,
                      "Parameter(s) updated successfully in QEL configuration file.\n");
        }
        const std::string config = ReadFile(Config());
        ASSERT_EQ(ValueOf(config, "BOX_ID"), "111") << round << "\n" << config;
        ASSERT_EQ(ValueOf(config, "HOST_PORT_NUMBER"), "12345") << round << "\n" << config;
        ASSERT_EQ(LeftOvers(), std::vector<std::string>{}) << round;
    }
}

// A broker ID change writes the gateway file and then the FIX file. Killed at any moment, the
// same command run again leaves both files finished, and nothing behind.
TEST_F(ConfigWriters, AKilledTwoFileSaveIsCompletedByRunningItAgain) {
    const std::string config = ReadFile(Config()), fix = ReadFile(Fix());
    std::mt19937 random(20261206);
    int halfWay = 0;
    for (int round = 0; round < 60; ++round) {
        WriteFile(Config(), config);
        WriteFile(Fix(), fix);
        const QString broker = QString("B%1").arg(round % 1000, 4, 10, QChar('0'));
        const QStringList set = {"config",
                                 "set",
                                 "FO",
                                 "BROKER_ID=" + broker,
                                 "MACHINE_LAN_IP=10.0.0." + QString::number(round % 250 + 1),
                                 "--no-restart"};
        QProcess killed;
        killed.setProcessEnvironment(Environment());
        killed.start(ZEVO_CLI_PATH, set);
        ASSERT_TRUE(killed.waitForStarted());
        usleep(std::uniform_int_distribution<int>(0, 60000)(random));
        ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
        killed.waitForFinished();
        const std::string between = ReadFile(Config());
        halfWay += ValueOf(between, "BROKER_ID") == broker.toStdString() &&
                   ReadFile(Fix()).find(broker.toStdString()) == std::string::npos;

        const CliResult again = Cli(set);
        ASSERT_EQ(again.status, 0) << round << again.out << again.err;
        EXPECT_EQ(ValueOf(ReadFile(Config()), "BROKER_ID"), broker.toStdString());
        std::vector<fix_file::FixUser> users;
        ASSERT_TRUE(fix_file::ListUsers(Fix(), &users));
        for (const auto& user : users) {
            ASSERT_EQ(user.brokerId, broker.toStdString()) << round << "\n" << ReadFile(Fix());
        }
        ASSERT_EQ(ValueOf(ReadFile(Fix()), "NicIpAddress"),
                  "10.0.0." + std::to_string(round % 250 + 1));
        ASSERT_EQ(LeftOvers(), std::vector<std::string>{}) << round;
    }
    RecordProperty("half_way_kills", halfWay);
}

TEST_F(ConfigWriters, AWriterWaitsForTheHolderAndThenNamesIt) {
    const std::string config = ReadFile(Config());
    auto holder = std::make_unique<OtherWriter>(std::vector<std::string>{Config()});
    ASSERT_TRUE(holder->Held());
    const CliResult waited =
        Cli({"config", "set", "FO", "BOX_ID=5", "--no-restart", "--timeout", "1"});
    const std::string folder = platform::FolderOfFileBehind(Config());
    EXPECT_EQ(waited.status, 1);
    EXPECT_TRUE(std::regex_match(
        waited.err,
        std::regex("zevo-cli: " + folder + " is being changed by config_writers_ \\(pid " +
                   std::to_string(holder->Pid()) +
                   ", user [a-z0-9_-]+\\) since [-0-9]+ [0-9:]+: nothing was written\n")))
        << waited.err;
    EXPECT_EQ(ReadFile(Config()), config);
    EXPECT_EQ(LogLines("EVENT|" + waited.err.substr(10, waited.err.size() - 11) +
                       "|GenericConfiguration.cpp|CGenericConfiguration::save_configuration_"
                       "parameters"),
              1u);
    holder.reset();
    const CliResult after = Cli({"config", "set", "FO", "BOX_ID=5", "--no-restart"});
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(ValueOf(ReadFile(Config()), "BOX_ID"), "5");
}

// FIX sessions written by hand, without ZEVO's markers, are listed but cannot be edited or
// deleted here: zevo-cli says so instead of reporting a change it did not make.
TEST_F(ConfigWriters, EditAndDeleteOfASessionWithoutMarkersChangeNothingAndSaySo) {
    const std::string fix = ReadFile(Fix()) + "\n[SESSION]\nTargetCompID=500,12342,3\n";
    WriteFile(Fix(), fix);
    const CliResult list = Cli({"fix", "list", "FO", "--no-header"});
    EXPECT_NE(list.out.find("500      3\n"), std::string::npos) << list.out;
    const std::string why = "User ID 500 has no #BeginSession_500 block in " + Fix() +
                            ", so its session cannot be %s here: nothing was written";
    const CliResult edit = Cli({"fix", "edit", "FO", "500", "9", "--no-restart"});
    EXPECT_EQ(edit.status, 1);
    EXPECT_EQ(edit.out, "");
    EXPECT_EQ(edit.err, "zevo-cli: " + std::regex_replace(why, std::regex("%s"), "edited") + "\n");
    const CliResult gone = Cli({"fix", "delete", "FO", "500", "--no-restart"});
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.err, "zevo-cli: " + std::regex_replace(why, std::regex("%s"), "deleted") + "\n");
    EXPECT_EQ(ReadFile(Fix()), fix);
    EXPECT_EQ(LogLines("EVENT|" + std::regex_replace(why, std::regex("%s"), "deleted") +
                       "|FixUserSessions.cpp|CFixUserSessions::OnButtonDelete"),
              1u);
}

TEST_F(ConfigWriters, AHardLinkedFileIsRefusedAndKeepsItsContentUnderBothNames) {
    const std::string config = ReadFile(Config());
    const std::string other = dir.File("config-backup.cfg");
    ASSERT_EQ(link(Config().c_str(), other.c_str()), 0);
    const CliResult set = Cli({"config", "set", "FO", "BOX_ID=9", "--no-restart"});
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, "zevo-cli: " + Config() +
                           " has 2 names (hard links): a save replaces the file, and the other "
                           "names would keep the old content: nothing was written\n");
    EXPECT_EQ(ReadFile(Config()), config);
    EXPECT_EQ(ReadFile(other), config);
}

std::string Utf16Le(const std::string& text) {
    std::string wide = "\xFF\xFE";
    for (char c : text) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

// Files as other editors leave them: UTF-16 from PowerShell is refused whole and untouched; an
// indented key is shown by a dry run and saved where it is, never appended a second time.
TEST_F(ConfigWriters, FilesFromOtherEditorsAreEditedInPlaceOrRefusedWithTheReason) {
    const std::string mf = layout.ConfigPath(7), original = ReadFile(mf);
    const std::string wide = Utf16Le(original);
    WriteFile(mf, wide);
    const std::string why = "zevo-cli: QEL Setup Error. " + mf +
                            ": it holds UTF-16 text (byte-order mark FF FE); save it as UTF-8 or "
                            "ASCII\n";
    const CliResult set = Cli({"config", "set", "MF", "BOX_ID=5", "--no-restart"});
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, why);
    EXPECT_EQ(Cli({"config", "get", "MF", "BOX_ID"}).err, why);
    EXPECT_EQ(ReadFile(mf), wide);

    const std::string indented =
        std::regex_replace(original, std::regex("\nBOX_ID="), "\n   BOX_ID=");
    ASSERT_NE(indented, original);
    WriteFile(mf, indented);
    const std::string box = ValueOf(original, "BOX_ID");
    EXPECT_EQ(Cli({"config", "set", "MF", "BOX_ID=5", "--dry-run"}).out,
              "BOX_ID: " + box + " -> 5\n");
    ASSERT_EQ(Cli({"config", "set", "MF", "BOX_ID=5", "--no-restart"}).status, 0);
    EXPECT_EQ(ReadFile(mf), std::regex_replace(indented, std::regex("BOX_ID=" + box), "BOX_ID=5"));
}

// Runs `command` through the shell; its exit status.
int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, read);
        }
        pclose(pipe);
    }
    return out;
}

// The gateways' account and an operator in its group, made once on this machine.
bool MakeAccounts() {
    return Shell(
               "getent passwd zevo-gw >/dev/null || useradd --system --user-group -M "
               "-s /usr/sbin/nologin zevo-gw") == 0 &&
           Shell(
               "getent passwd zevo-op >/dev/null || useradd --system --user-group -M "
               "-G zevo-gw -s /usr/sbin/nologin zevo-op") == 0;
}

// An operator who is not root saves a file that belongs to the gateways' account, in a folder
// of their group: what can be kept is kept, and the gateway can still use its file.
class OperatorWriter : public ConfigWriters {
  protected:
    void SetUp() override {
        ConfigWriters::SetUp();
        if (geteuid() != 0 || Shell("command -v useradd setfacl getfacl runuser >/dev/null") != 0 ||
            !MakeAccounts()) {
            GTEST_SKIP() << "needs root, useradd, runuser and the acl tools";
        }
        Shell("chmod -R a+rX " + dir.path() + " && chmod 0777 " + layout.LogDir());
        const std::string folder = std::filesystem::path(Mf()).parent_path();
        ASSERT_EQ(Shell("chgrp zevo-gw " + folder + " && chmod 0775 " + folder), 0);
        ASSERT_EQ(Shell("chown zevo-gw:zevo-gw " + Mf()), 0);
    }
    std::string Mf() const { return layout.ConfigPath(7); }
    // zevo-cli run as `user`.
    CliResult As(const std::string& user, const std::string& arguments) {
        const std::string command =
            "runuser -u " + user + " -- env QEL_IP_REGISTRY=" + layout.RegistryPath() +
            " QEL_IP_PROC_ROOT=" + noProcesses + " " + ZEVO_CLI_PATH + " " + arguments + " 2>&1";
        CliResult result;
        result.out = ShellOutput(command + "; echo \"status $?\"");
        const size_t at = result.out.rfind("status ");
        result.status = std::stoi(result.out.substr(at + 7));
        result.out.erase(at);
        return result;
    }
    // The ACL as getfacl prints it, without the owner line (the owner is said separately).
    std::string Acl() {
        return std::regex_replace(ShellOutput("getfacl -p " + Mf()), std::regex("# owner: .*\n"),
                                  "");
    }
    std::string Attribute() { return ShellOutput("getfattr --only-values -n user.origin " + Mf()); }
};

TEST_F(OperatorWriter, KeepsGroupModeAclAndAttributesAndSaysTheOwnerChanged) {
    ASSERT_EQ(Shell("chmod 0660 " + Mf() + " && setfacl -m u:nobody:r " + Mf() +
                    " && setfattr -n user.origin -v installer " + Mf()),
              0);
    const std::string acl = Acl();
    ASSERT_NE(acl.find("user:nobody:r--"), std::string::npos) << acl;
    const CliResult set = As("zevo-op", "config set MF BOX_ID=222 --no-restart");
    ASSERT_EQ(set.status, 0) << set.out;
    struct stat after {};
    ASSERT_EQ(stat(Mf().c_str(), &after), 0);
    EXPECT_EQ(ShellOutput("stat -c '%U:%G %a' " + Mf()), "zevo-op:zevo-gw 660\n");
    EXPECT_EQ(Acl(), acl);
    EXPECT_EQ(Attribute(), "installer");
    EXPECT_EQ(
        LogLines("EVENT|" + Mf() +
                 " now belongs to zevo-op:zevo-gw (it belonged to zevo-gw:zevo-gw): only "
                 "root can keep its owner; zevo-gw keeps its access through group zevo-gw"
                 "|GenericConfiguration.cpp|CGenericConfiguration::save_configuration_parameters"),
        1u);
    // The gateway still reads, and writes, its own configuration.
    EXPECT_EQ(ValueOf(ShellOutput("runuser -u zevo-gw -- cat " + Mf()), "BOX_ID"), "222");
    EXPECT_EQ(Shell("runuser -u zevo-gw -- sh -c 'test -w " + Mf() + "'"), 0);
}

// Root and an operator in the gateways' group save in turn: both saves are in the one history,
// by their own accounts, and plain git reads it.
TEST_F(OperatorWriter, RootAndAnOperatorShareTheHistory) {
    ASSERT_EQ(Shell("chgrp zevo-gw " + layout.LogDir() + " && chmod 2775 " + layout.LogDir() +
                    " && chmod 0660 " + Mf()),
              0);
    ASSERT_EQ(As("root", "config set MF BOX_ID=111 --no-restart").status, 0);
    const CliResult set = As("zevo-op", "config set MF BOX_ID=222 --no-restart");
    ASSERT_EQ(set.status, 0) << set.out;
    const std::string history = layout.LogDir() + "/history";
    EXPECT_EQ(ShellOutput("git -c safe.directory='*' -C " + history + " log --format=%an"),
              "zevo-op\nroot\nZEVO\n");
    EXPECT_EQ(ShellOutput("stat -c '%G %a' " + history), "zevo-gw 2775\n");
}

TEST_F(OperatorWriter, RefusesASaveThatWouldTakeTheGatewaysWriteAccess) {
    // The operator may write through a named ACL entry, but the gateways' group only reads:
    // a file of the operator's would leave the gateway without write access.
    ASSERT_EQ(Shell("chmod 0640 " + Mf() + " && setfacl -m u:zevo-op:rw " + Mf()), 0);
    const std::string before = ReadFile(Mf()), acl = Acl();
    const CliResult set = As("zevo-op", "config set MF BOX_ID=223 --no-restart");
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.out, "zevo-cli: " + Mf() +
                           " belongs to zevo-gw:zevo-gw; saved by zevo-op it would belong to "
                           "zevo-op:zevo-gw and user zevo-gw would lose write access to it: only "
                           "root or zevo-gw can save it: nothing was written\n");
    EXPECT_EQ(ReadFile(Mf()), before);
    EXPECT_EQ(ShellOutput("stat -c '%U:%G' " + Mf()), "zevo-gw:zevo-gw\n");
    EXPECT_EQ(Acl(), acl);
}

}  // namespace
