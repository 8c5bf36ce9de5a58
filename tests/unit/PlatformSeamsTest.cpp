// The seams between the program and the machine: message boxes, the gateway process check and
// who holds a port.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/GatewayProcess.h"
#include "core/InstalledMarkets.h"
#include "platform/MessageBox.h"
#include "platform/ProcessList.h"
#include "platform/SocketOwner.h"
#include "support/FakeProcessList.h"
#include "support/TestLog.h"

using namespace testing_support;

namespace {

// The account the test runs as, which owns the files and the process folders it makes.
std::int64_t Me() {
    return static_cast<std::int64_t>(geteuid());
}

// The names a process list gives, sorted.
bool NamesOf(const platform::ProcessList& list, std::vector<std::string>* names, long* error) {
    std::vector<platform::RunningProcess> running;
    if (!list.Snapshot(&running, error)) {
        return false;
    }
    names->clear();
    for (const platform::RunningProcess& process : running) {
        EXPECT_EQ(process.uid, static_cast<std::uint32_t>(Me())) << process.name;
        names->push_back(process.name);
    }
    std::sort(names->begin(), names->end());
    return true;
}

}  // namespace

TEST(MessageBoxes, WithoutWindowsABoxGoesToStandardErrorAndTakesItsDefault) {
    testing::internal::CaptureStderr();
    const int answer = platform::ShowMessageBox(nullptr, "Are you sure?", "ZEVO",
                                                platform::MB_YESNO | platform::MB_DEFBUTTON2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ZEVO: Are you sure?\n");
    EXPECT_EQ(answer, platform::IDNO);
    EXPECT_EQ(platform::ShowMessageBox(nullptr, "Go?", "ZEVO", platform::MB_YESNO),
              platform::IDYES);
}

TEST(GatewayProcess, NamesComeFromTheKernelAndTheProgramPathOfEachLivingProcess) {
    FakeProc proc;
    proc.Process("12", "qel_ip_cm.exe", 'S',
                 std::string("/opt/qel/bin/qel_ip_cm.exe\0--market\0cm\0", 28));
    proc.Process("13", "qel gw (v2)", 'R', std::string("/opt/qel/bin/QEL_IP_FO.EXE\0", 27));
    proc.Process("14", "kworker/0:1", 'I', "");    // a kernel thread has no command line
    proc.Process("15", "qel_ip_mf.exe", 'Z', "");  // ended, not yet reaped
    proc.Process("16", "qel_ip_ipo.exe.old", 'S', std::string("/opt/qel_ip_ipo\0", 16));
    mkdir(proc.File("self").c_str(), 0755);
    std::vector<std::string> names;
    long error = 0;
    ASSERT_TRUE(NamesOf(platform::ProcProcessList(proc.path()), &names, &error));
    EXPECT_EQ(names, (std::vector<std::string>{"QEL_IP_FO.EXE", "kworker/0:1", "qel gw (v2)",
                                               "qel_ip_cm.exe", "qel_ip_cm.exe", "qel_ip_ipo",
                                               "qel_ip_ipo.exe.old"}));
    // Looking only at gateway names, as the status check does.
    platform::ProcProcessList list(proc.path(), "qel_ip_");
    ASSERT_TRUE(NamesOf(list, &names, &error));
    EXPECT_EQ(names,
              (std::vector<std::string>{"QEL_IP_FO.EXE", "qel gw (v2)", "qel_ip_cm.exe",
                                        "qel_ip_cm.exe", "qel_ip_ipo", "qel_ip_ipo.exe.old"}));
    TestLog log;
    EXPECT_EQ(qel_status_query(2, list, *log.get(), Me()), 1);
    EXPECT_EQ(qel_status_query(7, list, *log.get(), Me()), 0);
    for (int market : {4, 100, 0}) {  // IPO's names are not its gateway's; no such markets
        EXPECT_EQ(qel_status_query(market, list, *log.get(), Me()), 0) << market;
    }
    // An exec under the same process id is seen at the next pass.
    proc.Process("13", "qel_ip_wdm.exe", 'S', std::string("/opt/qel/bin/qel_ip_wdm.exe\0", 28));
    EXPECT_EQ(qel_status_query(3, list, *log.get(), Me()), 1);
    EXPECT_EQ(qel_status_query(2, list, *log.get(), Me()), 0);
}

TEST(GatewayProcess, WhileNoProcessStartsAGatewayThatEndsOrDiesIsSeenAtTheNextPass) {
    FakeProc proc;
    proc.Newest("30");
    proc.Process("21", "qel_ip_cm.exe", 'S', std::string("qel_ip_cm.exe\0", 14));
    proc.Process("22", "qel_ip_fo.exe", 'S', std::string("qel_ip_fo.exe\0", 14));
    proc.Process("23", "bash", 'S', std::string("bash\0", 5));
    platform::ProcProcessList list(proc.path(), "qel_ip_");
    TestLog log;
    for (int pass = 0; pass < 8; ++pass) {  // long enough for every process to be old
        ASSERT_EQ(qel_status_query(1, list, *log.get(), Me()), 1);
    }
    proc.Process("22", "qel_ip_fo.exe", 'Z', "");
    EXPECT_EQ(qel_status_query(2, list, *log.get(), Me()), 0);
    EXPECT_EQ(qel_status_query(1, list, *log.get(), Me()), 1);
    std::filesystem::remove_all(proc.File("21"));
    EXPECT_EQ(qel_status_query(1, list, *log.get(), Me()), 0);
    // A gateway started since is listed at once.
    proc.Process("31", "qel_ip_wdm.exe", 'R', std::string("qel_ip_wdm.exe\0", 15));
    proc.Newest("31");
    EXPECT_EQ(qel_status_query(3, list, *log.get(), Me()), 1);
    EXPECT_TRUE(log.Lines().empty());
}

// Any account may start a program named as a gateway: only one of the gateways' account (the
// owner of the market's configuration file) is the gateway.
TEST(GatewayProcess, AGatewayNamedProcessOfAnotherAccountIsNotTheGateway) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a process folder to another account";
    }
    FakeProc proc;
    proc.Process("41", "qel_ip_cm.exe", 'S', std::string("qel_ip_cm.exe\0", 14));
    ASSERT_EQ(chown(proc.File("41").c_str(), 1002, 1002), 0);
    platform::ProcProcessList list(proc.path(), "qel_ip_");
    const std::string config = proc.File("qel_ip_cm.cfg");
    WriteFile(config, "BOX_ID=1\n");
    InstalledMarkets table;
    table.markets[0].type = 1;
    table.markets[0].config_file_path = config;
    TestLog log;
    std::int64_t impostor = kNoAccount;
    EXPECT_EQ(qel_status_query(1, list, *log.get(), GatewayAccount(table, 1), &impostor), 0);
    EXPECT_EQ(impostor, 1002);
    EXPECT_EQ(ImpostorText(1, impostor, GatewayAccount(table, 1)),
              "qel_ip_cm.exe runs as uid 1002, not as the gateways' account root (uid 0)");
    // The gateways' account may be any: it is the configuration file's owner ...
    ASSERT_EQ(chown(config.c_str(), 1002, 1002), 0);
    EXPECT_EQ(qel_status_query(1, list, *log.get(), GatewayAccount(table, 1), &impostor), 1);
    EXPECT_EQ(impostor, kNoAccount);
    // ... unless the installation names it; a named account that does not exist is no one's.
    table.gateway_account = "root";
    EXPECT_EQ(qel_status_query(1, list, *log.get(), GatewayAccount(table, 1)), 0);
    table.gateway_account = "no-such-account-here";
    EXPECT_EQ(GatewayAccount(table, 1), kNoAccount);
    // Without a configuration file no account is known, and no process is taken for it.
    table.gateway_account.clear();
    table.markets[0].config_file_path = proc.File("none");
    EXPECT_EQ(qel_status_query(1, list, *log.get(), GatewayAccount(table, 1)), 0);
}

TEST(GatewayProcess, AProcessListThatCannotBeTakenCountsAsNotRunningAndIsLogged) {
    TestLog log;
    platform::ProcProcessList broken("/nonexistent-proc");
    EXPECT_EQ(qel_status_query(4, broken, *log.get(), Me()), 0);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "SYSTEM_ERROR|Error in CreateToolhelp32Snapshot(). Cannot retrieve "
                               "snapshot for processes. Error [2]"}));
}

namespace {

// A TCP listener on `address` (a free port), made while the thread's file-system account is
// `creator`, which the kernel takes as the socket's owner.
struct Listener {
    Listener(int family, uid_t creator) {
        const uid_t before = static_cast<uid_t>(setfsuid(creator));
        fd = socket(family, SOCK_STREAM, 0);
        setfsuid(before);
        sockaddr_storage address{};
        socklen_t size = 0;
        if (family == AF_INET) {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
            v4->sin_family = AF_INET;
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            size = sizeof *v4;
        } else {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
            v6->sin6_family = AF_INET6;
            v6->sin6_addr = in6addr_any;  // takes IPv4 connections too
            size = sizeof *v6;
        }
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd, 4) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "no listener: " << std::strerror(errno);
        }
        port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                       : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    }
    ~Listener() { close(fd); }
    int fd = -1;
    int port = 0;
};

// A connection of this process to 127.0.0.1:`port`.
struct Client {
    explicit Client(int port) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ~Client() { close(fd); }
    int fd = -1;
};

}  // namespace

// Who holds a gateway's port: the account that made the listener behind the connection, read
// from the kernel's socket diagnostics and from the /proc tables alike.
TEST(SocketOwner, TheListenerBehindAConnectionIsOwnedByTheAccountThatMadeIt) {
    const uid_t other = geteuid() == 0 ? 65534 : geteuid();  // only root makes another's
    for (const platform::SocketTable table :
         {platform::SocketTable::kNetlink, platform::SocketTable::kProcNet}) {
        SCOPED_TRACE(table == platform::SocketTable::kNetlink ? "netlink" : "/proc");
        for (const int family : {AF_INET, AF_INET6}) {
            for (const uid_t creator : {geteuid(), other}) {
                Listener listener(family, creator);
                Client client(listener.port);
                const platform::SocketOwner owner = platform::ListenerOwner(client.fd, table);
                EXPECT_TRUE(owner.known) << owner.why;
                EXPECT_EQ(owner.uid, creator);
            }
        }
    }
    // A listener gone since the connection was made has no owner to tell.
    auto listener = std::make_unique<Listener>(AF_INET, geteuid());
    const int port = listener->port;
    Client client(port);
    const int accepted = accept(listener->fd, nullptr, nullptr);
    listener.reset();
    EXPECT_EQ(platform::ListenerOwner(client.fd).why,
              "no socket listens on port " + std::to_string(port) + " any more");
    TempDir none;
    EXPECT_EQ(platform::ListenerOwner(client.fd, platform::SocketTable::kProcNet, none.path()).why,
              "neither the socket diagnostics nor " + none.path() + "/net/tcp can be read");
    close(accepted);
}
