// The QEL_IP service over a laid-out installation, reached through the console's service control,
// the restart request and zevo-cli run as a program, with the real gateways.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <algorithm>

#include "link/RestartRequest.h"
#include "platform/ServiceControl.h"
#include "support/CliFixture.h"
#include "support/RecordingBoxes.h"

using namespace testing_support;

namespace {

using Installation = CliInstallation;
using Service = Installation;
using Cli = Installation;

TEST_F(Service, ControlCode130StartsTheInstalledGatewaysAndARestartRequestRestartsOne) {
    RecordingBoxes boxes;
    TestLog log;
    TrustOwnGateways();
    ServiceRun service(QEL_SERVICE_PATH, layout);
    ASSERT_TRUE(service.Listening());

    platform::ServiceControl control(layout.ServiceDir());
    ASSERT_TRUE(control.OpenManager());
    ASSERT_TRUE(control.OpenService("QEL_IP"));
    EXPECT_FALSE(control.Control(131));
    EXPECT_TRUE(control.Control(130));
    ASSERT_NE(service.NewGateway("qel_ip_fo.exe"), 0);
    const int before = service.NewGateway("qel_ip_mf.exe", 0, layout.InteractivePort(7));
    ASSERT_NE(before, 0);
    EXPECT_TRUE(service.Gateways("qel_ip_cm.exe").empty());
    LogSite site{"/src/config/FixConfiguration.cpp", 120, "CFixConfiguration"};
    CRestartRequest request(site, "KillQELExe", 7,
                            static_cast<std::uint16_t>(layout.InteractivePort(7)), log.get());
    request.Start();
    ASSERT_NE(service.NewGateway("qel_ip_mf.exe", before), 0);
    // The request's own lines carry the owning dialog's file and operations (the dialogs' tests
    // see the others).
    EXPECT_TRUE(PumpUntil([&] {
        return log.CountLine(
                   "ACTIVITY|Attempting to close connection...for market MF|FixConfiguration.cpp|"
                   "CFixConfiguration::OnConnectionLost") == 1;
    }));
    EXPECT_TRUE(boxes.shown.empty());
    // The service ends its gateways with it.
    const std::string gateway =
        "/proc/" + std::to_string(service.Gateways("qel_ip_mf.exe").front());
    EXPECT_TRUE(service.Stop());
    EXPECT_TRUE(WaitFor([&] { return !FileExists(gateway); }));
    EXPECT_FALSE(FileExists(layout.ServiceDir() + "/QEL_IP.sock"));
}

// A folder without the service is met by the window's start command.
// The simulated gateway fails on a bad file as a real one does: a FIX file its engine rejects
// (a duplicate session) or a configuration value it cannot use keeps it from starting.
TEST_F(Cli, TheGatewaySimulatorDoesNotStartOnAFileItCannotUse) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
    const auto start = [&] {
        return RunProgram(QEL_GATEWAY_PATH, {"--market", "FO"}, environment);
    };
    const std::string fix = ReadFile(layout.FixConfigPath(2));
    const std::size_t session = fix.find("[SESSION]");
    ASSERT_NE(session, std::string::npos);
    WriteFile(layout.FixConfigPath(2), fix + "\n" + fix.substr(session));
    const CliResult duplicate = start();
    EXPECT_EQ(duplicate.status, 1);
    EXPECT_NE(duplicate.err.find("FIX acceptor not started from " + layout.FixConfigPath(2)),
              std::string::npos)
        << duplicate.err;
    WriteFile(layout.FixConfigPath(2), fix);
    std::string config = ReadFile(layout.ConfigPath(2));
    const std::size_t key = config.find("HOST_PORT_NUMBER=");
    ASSERT_NE(key, std::string::npos);
    config.replace(key, config.find('\n', key) - key, "HOST_PORT_NUMBER=ten");
    WriteFile(layout.ConfigPath(2), config);
    const CliResult port = start();
    EXPECT_EQ(port.status, 3);
    EXPECT_NE(port.err.find("HOST_PORT_NUMBER=ten cannot be used: not starting"), std::string::npos)
        << port.err;
}

TEST(ServiceControl, AMissingServiceFolderFailsAtTheManager) {
    platform::ServiceControl missing("/nonexistent/service");
    EXPECT_FALSE(missing.OpenManager());
    EXPECT_EQ(missing.LastError(), ENOENT);
}

TEST_F(Cli, StatusListsTheInstalledMarketsAndExits2WhileAGatewayIsDown) {
    const CliResult down = Run({"status"}, ProcessTable({"qel_ip_fo.exe"}));
    EXPECT_EQ(down.status, 2);
    EXPECT_EQ(down.out,
              "ZEVO CRITICAL - 1 of 2 gateways running, not running: MF | "
              "gateways_running=1;;2:;0;2\n"
              "MARKET   GATEWAY      VERSION\n"
              "FO       running      4.09.02\n"
              "MF       not_running  3.01.07\n");
    EXPECT_EQ(Run({"status", "--no-header"}, ProcessTable({})).out,
              "FO       not_running  4.09.02\n"
              "MF       not_running  3.01.07\n");
    const CliResult up =
        Run({"status", "--json"}, ProcessTable({"qel_ip_fo.exe", "QEL_IP_MF.EXE"}));
    EXPECT_EQ(up.status, 0);
    EXPECT_EQ(up.out,
              "{\"all_running\":true,\"markets\":[{\"code\":2,\"market\":\"FO\",\"running\":true,"
              "\"state\":\"running\",\"version\":\"4.09.02\"},{\"code\":7,\"market\":\"MF\","
              "\"running\":true,\"state\":\"running\",\"version\":\"3.01.07\"}]}\n");
}

TEST_F(Cli, UsersAsksTheGatewayLikeTheActiveUsersList) {
    auto service = StartGateways();
    const CliResult users = Run({"users", "mf"});
    ASSERT_EQ(users.status, 0) << users.err;
    EXPECT_EQ(users.out.rfind("RECORD ID           STATE\nbox    101          ", 0), 0u)
        << users.out;
    EXPECT_EQ(std::count(users.out.begin(), users.out.end(), '\n'), 7) << users.out;  // 5 users
    EXPECT_EQ(users.out.find("user   "), users.out.find('\n', 26) + 1) << users.out;
    const CliResult json = Run({"users", "MF", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.rfind("{\"box_id\":101,\"box_state\":\"", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("\"market\":\"MF\""), std::string::npos) << json.out;
    EXPECT_EQ(Run({"users", "CM"}).err, "zevo-cli: market CM is not installed\n");
}

TEST_F(Cli, StartFailsWithoutTheService) {
    const CliResult start = Run({"start"});
    EXPECT_EQ(start.status, 1);
    EXPECT_EQ(start.err, "zevo-cli: Couldn't start QEL application\n");
}

TEST_F(Cli, RestartAndAConfigSetRestartTheRunningGatewayThroughTheService) {
    auto service = StartGateways();
    int before = service->Gateways("qel_ip_mf.exe").front();
    const CliResult restart = Run({"restart", "MF"});
    EXPECT_EQ(restart.status, 0) << restart.err;
    EXPECT_EQ(restart.out, "Restart request sent to the gateway of MF.\n");
    before = service->NewGateway("qel_ip_mf.exe", before, layout.InteractivePort(7));
    EXPECT_NE(before, 0);

    const CliResult set = Run({"config", "set", "MF", "BOX_ID=200", "MACHINE_WAN_IP=10.20.30.99"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out,
              "Parameter(s) updated successfully in QEL configuration file. QEL will restart to "
              "take changes into effect.\n");
    const std::string file = ReadFile(layout.ConfigPath(7));
    EXPECT_NE(file.find("\nBOX_ID=200\n"), std::string::npos) << file;
    EXPECT_NE(file.find("MACHINE_WAN_IP=10.20.30.99\n"), std::string::npos) << file;
    EXPECT_NE(service->NewGateway("qel_ip_mf.exe", before), 0);
    EXPECT_EQ(LogLines("ACTIVITY|Request to kill qel sent.|GenericConfiguration.cpp|"
                       "CGenericConfiguration::OnConnectionEstablished"),
              2u);
    const CliResult get = Run({"config", "get", "7", "BOX_ID"});
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "200\n");

    // --no-restart saves and leaves the gateway alone; the same values again change nothing.
    EXPECT_EQ(Run({"config", "set", "MF", "BOX_ID=201", "--no-restart"}).out,
              "Parameter(s) updated successfully in QEL configuration file.\n");
    EXPECT_EQ(Run({"config", "set", "MF", "BOX_ID=0201"}).out,
              "Nothing to change in " + layout.ConfigPath(7) + ".\n");
    EXPECT_EQ(LogLines("ACTIVITY|Request to kill qel sent.|GenericConfiguration.cpp|"
                       "CGenericConfiguration::OnConnectionEstablished"),
              2u);
}

// A gateway that counts as running but takes no restart request (nothing listens on its
// interactive port, which refuses the connection): the values are saved and Start Applications is
// sent, but zevo-cli says the restart failed and exits 4.
TEST_F(Cli, AConfigSetWhoseRestartCannotBeSentIsSavedAndExits4) {
    ServiceRun service(QEL_SERVICE_PATH, layout);
    ASSERT_TRUE(service.Listening());
    // The file as it will be: MF's BOX_ID line alone changed.
    std::string expected = ReadFile(layout.ConfigPath(7));
    const std::string box = "\nBOX_ID=" + Run({"config", "get", "MF", "BOX_ID"}).out;
    const std::size_t line = expected.find(box);
    ASSERT_NE(line, std::string::npos) << expected;
    expected.replace(line, box.size(), "\nBOX_ID=200\n");
    const CliResult set = Run({"--timeout", "1", "config", "set", "MF", "BOX_ID=200"},
                              ProcessTable({"qel_ip_mf.exe"}));
    EXPECT_EQ(set.status, 4);
    EXPECT_EQ(set.out,
              "Parameter(s) updated successfully in QEL configuration file. QEL will restart to "
              "take changes into effect.\n");
    EXPECT_EQ(set.err, "zevo-cli: the gateway of MF refused the connection on port " +
                           std::to_string(layout.InteractivePort(7)) +
                           "\nzevo-cli: saved, but the gateway was not restarted\n");
    EXPECT_EQ(ReadFile(layout.ConfigPath(7)), expected);
}

// What a script relies on: an installation or a process table that cannot be read is UNKNOWN
// with its reason; a look leaves the console's activity log alone; --dry-run only shows; a
// gateway that is not there is said at once, whatever the timeout.
TEST_F(Cli, ScriptsGetAnswersTheyCanTrust) {
    const std::string registry = layout.RegistryPath(), settings = ReadFile(registry);
    for (const std::string& store : {std::string(), std::string("[HKEY_LOCAL_MACHINE\\X]\n")}) {
        if (store.empty()) {
            std::remove(registry.c_str());
        } else {
            WriteFile(registry, store);
        }
        const CliResult status = Run({"status"}, ProcessTable({}));
        EXPECT_EQ(status.status, 3);
        EXPECT_EQ(status.err.rfind("zevo-cli: the installation cannot be read: ", 0), 0u)
            << status.err;
    }
    WriteFile(registry, settings);
    const CliResult blind = Run({"status"}, dir.File("no-proc"));
    EXPECT_EQ(blind.status, 3);
    EXPECT_EQ(blind.err.rfind("zevo-cli: the process table cannot be read: ", 0), 0u) << blind.err;

    const std::string window = layout.LogDir() + "/zevo.20200101.000000.current.txt";
    WriteFile(window, "the console's own\n");
    const std::string config = ReadFile(layout.ConfigPath(2));
    const std::string box = Run({"config", "get", "FO", "BOX_ID"}).out;
    const CliResult dry = Run({"config", "set", "FO", "BOX_ID=7", "--dry-run"});
    EXPECT_EQ(dry.out, "BOX_ID: " + box.substr(0, box.size() - 1) + " -> 7\n");
    const CliResult users = Run({"--timeout", "600", "users", "FO"});
    EXPECT_EQ(users.status, 1);
    EXPECT_EQ(users.err, "zevo-cli: the gateway of FO refused the connection on port " +
                             std::to_string(layout.InteractivePort(2)) + "\n");
    Run({"status"}, ProcessTable({}));
    EXPECT_EQ(ReadFile(layout.ConfigPath(2)), config);
    EXPECT_EQ(ListDir(layout.LogDir()),
              std::vector<std::string>{"zevo.20200101.000000.current.txt"});
}

TEST_F(Cli, ConfigSetRefusesWhatTheDialogRefusesAndLeavesTheFile) {
    const std::string original = ReadFile(layout.ConfigPath(7));
    struct Case {
        const char* setting;
        const char* message;
    };
    // The rules are the dialog's own (one module); what zevo-cli adds is reading KEY=VALUE.
    const Case cases[] = {
        {"BOX_ID=32768",
         "zevo-cli: Box ID value should be greater than zero and less than or equal to 32767\n"},
        {"BOX_ID=12a", "zevo-cli: BOX_ID takes digits only, not 12a\n"},
        {"MACHINE_LAN_IP=300.1.1.1",
         "zevo-cli: MACHINE_LAN_IP takes an address a.b.c.d with numbers 0 to 255, not "
         "300.1.1.1\n"},
        {"BROKER_ID=AB-12", "zevo-cli: BROKER_ID takes up to 5 letters and digits, not AB-12\n"},
    };
    for (const Case& c : cases) {
        const CliResult set = Run({"config", "set", "MF", "BOX_ID=300", c.setting});
        EXPECT_EQ(set.status, 1) << c.setting;
        EXPECT_EQ(set.err, c.message) << c.setting;
        EXPECT_EQ(ReadFile(layout.ConfigPath(7)), original) << c.setting;
    }
    // The BCP host's address is checked only when the BCP host is chosen.
    WriteFile(layout.ConfigPath(7), "BCP_HOST_IP=0.0.0.0\n" + original);
    const CliResult bcp = Run({"config", "set", "MF", "CURRENT_CONFIG=BCP"});
    EXPECT_EQ(bcp.status, 1);
    EXPECT_EQ(bcp.err, "zevo-cli: MF - QEL Setup Error.\nBCP IP can't be 0.0.0.0\n");
    EXPECT_EQ(Run({"config", "get", "MF", "NO_SUCH_KEY"}).status, 1);
}

// status MARKET looks at that market alone; --quiet leaves the exit status alone to answer;
// what is wrong is said on standard error after "zevo-cli: ".
TEST_F(Cli, StatusOfOneMarketQuietlyAndErrorsSaidAsZevoCli) {
    const std::string table = ProcessTable({"qel_ip_mf.exe"});
    const CliResult mf = Run({"status", "MF", "--no-header"}, table);
    EXPECT_EQ(mf.status, 0);
    EXPECT_EQ(mf.out, "MF       running      3.01.07\n");
    const CliResult quiet = Run({"--quiet", "status", "fo"}, table);
    EXPECT_EQ(quiet.status, 2);
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_EQ(Run({"status", "--json", "-q"}, table).out, "");
    const CliResult unknown = Run({"status", "XY"}, table);
    EXPECT_EQ(unknown.status, 3);
    EXPECT_EQ(unknown.err,
              "zevo-cli: unknown market XY (CM, FO, WDM, IPO, CD, SLBM, MF or 1 to 7)\n");
    EXPECT_EQ(Run({"status", "CM"}, table).err, "zevo-cli: market CM is not installed\n");
    for (const QStringList& wrong :
         {QStringList{"status", "--jsn"}, QStringList{"--timeout", "x", "status"},
          QStringList{"restart"}, QStringList{"config", "get", "FO"}, QStringList{"fix", "move"}}) {
        const CliResult usage = Run(wrong);
        EXPECT_EQ(usage.status, 64) << wrong.join(' ').toStdString();
        EXPECT_EQ(usage.err.rfind("zevo-cli: ", 0), 0u) << usage.err;
    }
}

// The FIX users through zevo-cli: the dialogs' rules and messages, the file untouched by a
// refusal, a left-over temporary file put back first, and a list that writes nothing.
TEST_F(Cli, FixUsersFollowTheDialogsRules) {
    const std::string fix = layout.FixConfigPath(2),
                      temporary = dir.File("qel/fix/temp_QEL_FIX_FO.cfg");
    const std::string original = ReadFile(fix);
    const CliResult list = Run({"fix", "list", "FO"});
    EXPECT_EQ(list.out, "USER_ID  BRANCH_ID\n101      2\n102      3\n205      6\n");
    EXPECT_TRUE(ListDir(layout.LogDir()).empty());
    const std::pair<QStringList, std::string> refusals[] = {
        {{"add", "FO", "", "5"}, "User ID can't be blank"},
        {{"add", "FO", "5", ""}, "Branch ID can't be blank"},
        {{"add", "FO", "000", "5"}, "User ID can't be zero"},
        {{"add", "FO", "5", "0"}, "Branch ID can't be zero"},
        {{"edit", "FO", "101", "000"}, "Branch ID can't be zero"},
        {{"add", "FO", "0102", "4"}, "User ID 102 already exists."},
        {{"add", "FO", "12a", "4"}, "USER_ID takes up to 5 digits, not 12a"},
        {{"delete", "FO", "7"}, "User ID 7 is not in the FIX users list of FO"},
        {{"list", "MF"}, "market MF is not FIX enabled"},
    };
    for (const auto& [arguments, message] : refusals) {
        const CliResult refused = Run(QStringList{"fix"} + arguments);
        EXPECT_EQ(refused.status, 1) << message;
        EXPECT_EQ(refused.err, "zevo-cli: " + message + "\n");
        EXPECT_EQ(ReadFile(fix), original) << message;
    }
    EXPECT_EQ(
        LogLines("EVENT|Addition of trader id 102 failed as that trader id already "
                 "exists.|FixUserDetails.cpp|CFixUserDetails::SaveFixConfigurationParameters"),
        1u);

    std::rename(fix.c_str(), temporary.c_str());
    const CliResult added = Run({"fix", "add", "FO", "0012", "07"}, ProcessTable({}));
    EXPECT_EQ(added.out, "New Session added for Trader ID 12 in FIX config file.\n");
    const std::string broker = Run({"config", "get", "FO", "BROKER_ID"}).out;
    EXPECT_EQ(ReadFile(fix), original + "\n#BeginSession_12\n[SESSION]\nTargetCompID=12," +
                                 broker.substr(0, broker.size() - 1) + ",7\n#EndSession_12\n");
    EXPECT_FALSE(FileExists(temporary));

    std::string config = ReadFile(layout.ConfigPath(2));
    WriteFile(layout.ConfigPath(2),
              config.replace(config.find("MAX_TWS_CLIENTS=25"), 18, "MAX_TWS_CLIENTS=4"));
    const std::string full = ReadFile(fix);
    const CliResult maximum = Run({"fix", "add", "FO", "13", "1"});
    EXPECT_EQ(maximum.err, "zevo-cli: Maximum User limit is reached. New User cannot be added.\n");
    EXPECT_EQ(ReadFile(fix), full);

    // Neither the file nor a temporary file: the recovery step says so, the list cannot open.
    std::remove(fix.c_str());
    EXPECT_EQ(Run({"fix", "delete", "FO", "12"}).err,
              "zevo-cli: Can not open FIX config file " + fix + "\n");
    EXPECT_EQ(LogLines("SYSTEM_ERROR|Temp file for Fix Config is not present|FixUserSessions.cpp|"
                       "CFixUserSessions::CFixUserSessions"),
              1u);
}

// As the FIX users list does on leaving after a change: a running gateway is restarted.
TEST_F(Cli, AFixChangeRestartsTheRunningGatewayUnlessToldNot) {
    auto service = StartGateways();
    const int before = service->Gateways("qel_ip_fo.exe").front();
    const CliResult kept = Run({"fix", "add", "FO", "12", "7", "--no-restart"});
    EXPECT_EQ(kept.out, "New Session added for Trader ID 12 in FIX config file.\n");
    const CliResult edited = Run({"fix", "edit", "FO", "12", "8"});
    EXPECT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.out.substr(edited.out.find('\n') + 1),
              "QEL will restart to take changes into effect.\n");
    EXPECT_NE(service->NewGateway("qel_ip_fo.exe", before), 0);
    EXPECT_EQ(LogLines("ACTIVITY|Request to kill qel sent.|FixUserSessions.cpp|"
                       "CFixUserSessions::OnConnectionEstablished"),
              1u);
    EXPECT_EQ(Run({"fix", "edit", "FO", "12", "08"}).out, "Nothing to change for User ID 12.\n");
    EXPECT_EQ(Run({"fix", "list", "FO", "--no-header"}).out,
              "12       8\n101      2\n102      3\n205      6\n");
}

TEST_F(Cli, EveryCommandDescribesItself) {
    for (const char* command :
         {"status", "users", "start", "restart", "config", "fix", "metrics"}) {
        const CliResult help = Run({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: zevo-cli ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(Run({"--help"}).out.rfind("Usage: zevo-cli COMMAND", 0), 0u);
    EXPECT_EQ(Run({"frobnicate"}).status, 64);
}

}  // namespace
