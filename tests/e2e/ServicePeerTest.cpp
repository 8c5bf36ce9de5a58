// The QEL_IP service simulator, signalled through the console's service control.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>

#include "InstallationLayout.h"
#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/RestartRequest.h"
#include "link/ZEVOHelper.h"
#include "platform/MessageBox.h"
#include "platform/ServiceControl.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"

using namespace testing_support;

namespace {

// Process ids whose name (comm) is `name`.
std::vector<int> ProcessesNamed(const std::string& name) {
    std::vector<int> pids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream comm(entry.path() / "comm");
        std::string text;
        std::getline(comm, text);
        if (text == name) {
            pids.push_back(std::stoi(pid));
        }
    }
    return pids;
}

class VersionSink final : public CMessageSink {
public:
    int RouteMessage(const unsigned char* message, std::uint16_t code) override {
        if (code == kVersionMessage) {
            version = ReadI32(message + 30);
        }
        return 0;
    }
    void OnConnectionEstablished() override {}
    void OnConnectionLost() override {}
    int version = 0;
};

class ServicePeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        layout_.root = dir_.File("qel");
        layout_.markets = {2, 7};
        layout_.basePort = 30000 + (getpid() % 1500) * 20;
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
        service_.terminate();
        EXPECT_TRUE(service_.waitForFinished(10000));
        EXPECT_EQ(service_.exitCode(), 0);
        EXPECT_TRUE(ProcessesNamed("qel_ip_fo.exe").empty());
        EXPECT_TRUE(ProcessesNamed("qel_ip_mf.exe").empty());
        EXPECT_FALSE(FileExists(layout_.ServiceDir() + "/QEL_IP.sock"));
    }
    int GatewayVersion(int market) {
        VersionSink sink;
        CZEVOHelper session(log_.get());
        session.SetMessageSink(&sink, market);
        // The gateway may still be starting: try again until it answers.
        PumpUntil([&] {
            if (sink.version == 0 && session.Transport().Socket() == -1) {
                session.EstablishConnection("127.0.0.1", std::to_string(layout_.NonInteractivePort(market)));
            }
            if (sink.version == 0 && session.Transport().Socket() != -1) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                if (sink.version == 0) {
                    session.Transport().CloseConnection();
                }
            }
            return sink.version != 0;
        });
        return sink.version;
    }

    RecordingBoxes boxes_;
    TempDir dir_;
    TestLog log_;
    InstallationLayout layout_;
    QProcess service_;
};

}  // namespace

TEST_F(ServicePeerTest, ControlCode130StartsTheInstalledGateways) {
    platform::ServiceControl control(layout_.ServiceDir());
    ASSERT_TRUE(control.OpenManager());
    ASSERT_TRUE(control.OpenService("QEL_IP"));
    EXPECT_FALSE(control.Control(131));
    EXPECT_TRUE(control.Control(130));
    ASSERT_TRUE(PumpUntil([] { return ProcessesNamed("qel_ip_fo.exe").size() == 1 &&
                                  ProcessesNamed("qel_ip_mf.exe").size() == 1; }));
    EXPECT_TRUE(ProcessesNamed("qel_ip_cm.exe").empty());
    EXPECT_EQ(GatewayVersion(2), 40902);
    EXPECT_EQ(GatewayVersion(7), 30107);
}

TEST_F(ServicePeerTest, AGatewayAskedToRestartIsStartedAgain) {
    platform::ServiceControl control(layout_.ServiceDir());
    ASSERT_TRUE(control.OpenManager() && control.OpenService("QEL_IP") && control.Control(130));
    ASSERT_TRUE(PumpUntil([] { return ProcessesNamed("qel_ip_mf.exe").size() == 1; }));
    ASSERT_EQ(GatewayVersion(7), 30107);
    const int before = ProcessesNamed("qel_ip_mf.exe").front();
    CRestartRequest request({"CFixConfiguration", "KillQELExe", "FixConfiguration.cpp"}, 7,
                            static_cast<std::uint16_t>(layout_.InteractivePort(7)), log_.get());
    request.Start();
    ASSERT_TRUE(PumpUntil([&] {
        auto now = ProcessesNamed("qel_ip_mf.exe");
        return now.size() == 1 && now.front() != before;
    }));
    EXPECT_EQ(log_.Count("ACTIVITY|Request to kill qel sent."), 1u);
    EXPECT_EQ(GatewayVersion(7), 30107);
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
