// The QEL_IP service started by the console's service control, and a gateway restarted by
// the restart request, over the real peer programs.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "InstallationLayout.h"
#include "link/RestartRequest.h"
#include "platform/ServiceControl.h"
#include "support/RecordingBoxes.h"
#include "support/ServiceRun.h"
#include "support/TestLog.h"

using namespace testing_support;

TEST(Service, ControlCode130StartsTheInstalledGatewaysAndARestartRequestRestartsOne) {
    RecordingBoxes boxes;
    TempDir dir;
    TestLog log;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {2, 7});
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
    // The request's own lines carry the owning dialog's file and operations.
    EXPECT_EQ(log.CountLine("ACTIVITY|Attempting to connect...for market MF|FixConfiguration.cpp|"
                            "CFixConfiguration::KillQELExe"),
              1u);
    EXPECT_EQ(log.CountLine("ACTIVITY|Request to kill qel sent.|FixConfiguration.cpp|"
                            "CFixConfiguration::OnConnectionEstablished"),
              1u);
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
TEST(ServiceControl, AMissingServiceFolderFailsAtTheManager) {
    platform::ServiceControl missing("/nonexistent/service");
    EXPECT_FALSE(missing.OpenManager());
    EXPECT_EQ(missing.LastError(), ENOENT);
}
