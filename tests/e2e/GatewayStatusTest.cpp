// The gateway process check against real processes started under gateway names.

#include "app/GatewayStatus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include "platform/ProcessList.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"

using namespace testing_support;

namespace {

// Starts the gateway simulator under `name` in `dir`.
void StartAs(QProcess& process, const TempDir& dir, const std::string& name) {
    QString link = QString::fromStdString(dir.File(name));
    ASSERT_TRUE(QFile::link(QEL_GATEWAY_PATH, link));
    process.start(link, {"--market", "ipo", "--log-port", "0", "--interactive-port", "0", "--rate", "0"});
    ASSERT_TRUE(process.waitForStarted(5000));
}

}  // namespace

TEST(GatewayStatus, AGatewayCountsAsRunningUnderItsNameInAnyCase) {
    for (const char* name : {"qel_ip_ipo.exe", "QEL_IP_IPO.EXE"}) {
        TempDir dir;
        TestLog log;
        const auto& processes = platform::DefaultProcessList();
        EXPECT_EQ(qel_status_query(4, processes, *log.get()), 0);
        QProcess gateway;
        StartAs(gateway, dir, name);
        EXPECT_TRUE(WaitFor([&] { return qel_status_query(4, processes, *log.get()) == 1; }))
            << name;
        EXPECT_EQ(qel_status_query(100, processes, *log.get()), 0);
        EXPECT_EQ(qel_status_query(0, processes, *log.get()), 0);
        gateway.terminate();
        ASSERT_TRUE(gateway.waitForFinished(5000));
        EXPECT_TRUE(WaitFor([&] { return qel_status_query(4, processes, *log.get()) == 0; }));
        EXPECT_TRUE(log.Lines().empty());
    }
}

TEST(GatewayStatus, AProcessListThatCannotBeTakenCountsAsNotRunningAndIsLogged) {
    TestLog log;
    platform::ProcProcessList broken("/nonexistent-proc");
    EXPECT_EQ(qel_status_query(4, broken, *log.get()), 0);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "SYSTEM_ERROR|Error in CreateToolhelp32Snapshot(). Cannot retrieve "
                               "snapshot for processes. Error [2]"}));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
