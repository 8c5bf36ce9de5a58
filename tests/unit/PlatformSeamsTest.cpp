// The seams between the program and the machine: message boxes and the gateway process check.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/GatewayProcess.h"
#include "platform/MessageBox.h"
#include "platform/ProcessList.h"
#include "support/FakeProcessList.h"
#include "support/TestLog.h"

using namespace testing_support;

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
    ASSERT_TRUE(platform::ProcProcessList(proc.path()).Snapshot(&names, &error));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"QEL_IP_FO.EXE", "kworker/0:1", "qel gw (v2)",
                                               "qel_ip_cm.exe", "qel_ip_cm.exe", "qel_ip_ipo",
                                               "qel_ip_ipo.exe.old"}));
    // Looking only at gateway names, as the status check does.
    platform::ProcProcessList list(proc.path(), "qel_ip_");
    ASSERT_TRUE(list.Snapshot(&names, &error));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"QEL_IP_FO.EXE", "qel gw (v2)", "qel_ip_cm.exe",
                                        "qel_ip_cm.exe", "qel_ip_ipo", "qel_ip_ipo.exe.old"}));
    TestLog log;
    EXPECT_EQ(qel_status_query(2, list, *log.get()), 1);
    EXPECT_EQ(qel_status_query(7, list, *log.get()), 0);
    for (int market : {4, 100, 0}) {  // IPO's names are not its gateway's; no such markets
        EXPECT_EQ(qel_status_query(market, list, *log.get()), 0) << market;
    }
    // An exec under the same process id is seen at the next pass.
    proc.Process("13", "qel_ip_wdm.exe", 'S', std::string("/opt/qel/bin/qel_ip_wdm.exe\0", 28));
    EXPECT_EQ(qel_status_query(3, list, *log.get()), 1);
    EXPECT_EQ(qel_status_query(2, list, *log.get()), 0);
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
        ASSERT_EQ(qel_status_query(1, list, *log.get()), 1);
    }
    proc.Process("22", "qel_ip_fo.exe", 'Z', "");
    EXPECT_EQ(qel_status_query(2, list, *log.get()), 0);
    EXPECT_EQ(qel_status_query(1, list, *log.get()), 1);
    std::filesystem::remove_all(proc.File("21"));
    EXPECT_EQ(qel_status_query(1, list, *log.get()), 0);
    // A gateway started since is listed at once.
    proc.Process("31", "qel_ip_wdm.exe", 'R', std::string("qel_ip_wdm.exe\0", 15));
    proc.Newest("31");
    EXPECT_EQ(qel_status_query(3, list, *log.get()), 1);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(GatewayProcess, AProcessListThatCannotBeTakenCountsAsNotRunningAndIsLogged) {
    TestLog log;
    platform::ProcProcessList broken("/nonexistent-proc");
    EXPECT_EQ(qel_status_query(4, broken, *log.get()), 0);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "SYSTEM_ERROR|Error in CreateToolhelp32Snapshot(). Cannot retrieve "
                               "snapshot for processes. Error [2]"}));
}
