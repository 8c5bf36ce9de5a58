// The QEL_IP service started by the console's service control, and a gateway restarted by
// the restart request, over the real peer programs.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>

#include "InstallationLayout.h"
#include "link/RestartRequest.h"
#include "platform/ServiceControl.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"

using namespace testing_support;

namespace {

// The service's child processes named `name` (comm). Only this test's service is looked at,
// so gateways of the demo or of other tests on the machine do not count.
std::vector<int> ChildrenNamed(qint64 parent, const std::string& name) {
    std::vector<int> pids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::string comm, stat;
        std::getline(std::ifstream(entry.path() / "comm"), comm);
        std::getline(std::ifstream(entry.path() / "stat"), stat);
        // stat: "pid (comm) state ppid ..."; comm may hold blanks, so read after the last ')'.
        const auto close = stat.rfind(')');
        long ppid = 0;
        if (comm == name && close != std::string::npos &&
            std::sscanf(stat.c_str() + close + 1, " %*c %ld", &ppid) == 1 && ppid == parent) {
            pids.push_back(std::stoi(pid));
        }
    }
    return pids;
}

// Whether a gateway listens on the loopback port (the probe connection is closed at once).
bool PortAccepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return accepted;
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        layout_.root = dir_.File("qel");
        layout_.markets = {2, 7};
        layout_.basePort = FreeBasePort();
        ASSERT_TRUE(layout_.Write());
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QEL_IP_REGISTRY", QString::fromStdString(layout_.RegistryPath()));
        service_.setProcessEnvironment(env);
        service_.setProcessChannelMode(QProcess::ForwardedChannels);
        service_.start(QEL_SERVICE_PATH, {"--service-dir", QString::fromStdString(layout_.ServiceDir()),
                                          "--gateway-args", "--rate 0"});
        ASSERT_TRUE(PumpUntil([&] { return FileExists(layout_.ServiceDir() + "/QEL_IP.sock"); }));
    }
    void TearDown() override {
        const qint64 pid = service_.processId();
        service_.terminate();
        EXPECT_TRUE(service_.waitForFinished(10000));
        EXPECT_EQ(service_.exitCode(), 0);
        EXPECT_TRUE(ChildrenNamed(pid, "qel_ip_fo.exe").empty());
        EXPECT_FALSE(FileExists(layout_.ServiceDir() + "/QEL_IP.sock"));
    }
    std::vector<int> Gateways(const std::string& name) { return ChildrenNamed(service_.processId(), name); }

    RecordingBoxes boxes_;
    TempDir dir_;
    TestLog log_;
    InstallationLayout layout_;
    QProcess service_;
};

}  // namespace

TEST_F(ServiceTest, ControlCode130StartsTheInstalledGatewaysAndARestartRequestRestartsOne) {
    platform::ServiceControl control(layout_.ServiceDir());
    ASSERT_TRUE(control.OpenManager());
    ASSERT_TRUE(control.OpenService("QEL_IP"));
    EXPECT_FALSE(control.Control(131));
    EXPECT_TRUE(control.Control(130));
    ASSERT_TRUE(PumpUntil([&] { return Gateways("qel_ip_fo.exe").size() == 1 && Gateways("qel_ip_mf.exe").size() == 1; }));
    EXPECT_TRUE(Gateways("qel_ip_cm.exe").empty());
    const int before = Gateways("qel_ip_mf.exe").front();

    ASSERT_TRUE(WaitFor([&] { return PortAccepts(layout_.InteractivePort(7)); }));
    LogSite site{"/src/config/FixConfiguration.cpp", 120, "CFixConfiguration"};
    CRestartRequest request(site, "KillQELExe", 7, static_cast<std::uint16_t>(layout_.InteractivePort(7)),
                            log_.get());
    request.Start();
    ASSERT_TRUE(PumpUntil([&] {
        auto now = Gateways("qel_ip_mf.exe");
        return now.size() == 1 && now.front() != before;
    }));
    // The request's own lines carry the owning dialog's file and operations.
    EXPECT_GE(log_.CountLine("ACTIVITY|Attempting to connect...for market MF|FixConfiguration.cpp|"
                             "CFixConfiguration::KillQELExe"),
              1u);
    EXPECT_EQ(log_.CountLine("ACTIVITY|Request to kill qel sent.|FixConfiguration.cpp|"
                             "CFixConfiguration::OnConnectionEstablished"),
              1u);
    EXPECT_TRUE(PumpUntil([&] {
        return log_.CountLine("ACTIVITY|Attempting to close connection...for market MF|FixConfiguration.cpp|"
                              "CFixConfiguration::OnConnectionLost") >= 1;
    }));
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST(ServiceControl, FailsAtTheStepThatCannotBeDone) {
    TempDir dir;
    platform::ServiceControl missing(dir.File("absent"));
    EXPECT_FALSE(missing.OpenManager());
    EXPECT_EQ(missing.LastError(), ENOENT);
    platform::ServiceControl noService(dir.path());
    EXPECT_TRUE(noService.OpenManager());
    EXPECT_FALSE(noService.OpenService("QEL_IP"));
    EXPECT_EQ(noService.LastError(), ENOENT);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
