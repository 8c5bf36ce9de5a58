#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "support/CliRun.h"
#include "support/FakeProcessList.h"
#include "support/ServiceRun.h"
#include "support/TestLog.h"

namespace testing_support {

// An installation of FO (FIX enabled) and MF in a temporary folder, and zevo-cli run on it.
// For the test programs given ZEVO_CLI_PATH and QEL_SERVICE_PATH.
class CliInstallation : public ::testing::Test {
  protected:
    CliResult Run(const QStringList& arguments, const std::string& procRoot = {}) {
        return RunCli(layout, arguments, layout.ServiceDir(), procRoot);
    }

    // Lines of the activity log the program wrote, "LEVEL|message|file|operation".
    std::size_t LogLines(const std::string& expected) {
        const auto lines = LogFolderLines(layout);
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return WithoutLineAndTime(line) == expected;
        });
    }

    // A process table holding gateways of the markets named, as /proc shows them.
    std::string ProcessTable(const std::vector<std::string>& names) {
        proc = std::make_unique<FakeProc>();
        int pid = 4000;
        for (const std::string& name : names) {
            proc->Process(std::to_string(++pid), name, 'S', "/opt/qel/" + name + '\0');
        }
        return proc->path();
    }

    // Starts the service and, through zevo-cli start, the gateways of FO and MF.
    std::unique_ptr<ServiceRun> StartGateways() {
        auto service = std::make_unique<ServiceRun>(QEL_SERVICE_PATH, layout);
        EXPECT_TRUE(service->Listening());
        const CliResult start = Run({"start"});
        EXPECT_EQ(start.status, 0) << start.err;
        EXPECT_NE(service->NewGateway("qel_ip_mf.exe", 0, layout.InteractivePort(7)), 0);
        EXPECT_NE(service->NewGateway("qel_ip_fo.exe", 0, layout.InteractivePort(2)), 0);
        return service;
    }

    TempDir dir;
    std::unique_ptr<FakeProc> proc;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {2, 7}, {2});
};

}  // namespace testing_support
