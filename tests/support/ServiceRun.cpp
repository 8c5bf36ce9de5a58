#include "support/ServiceRun.h"

#include <QProcessEnvironment>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/ServiceControl.h"
#include "support/RecordingBoxes.h"
#include "support/TestSupport.h"

namespace testing_support {

ServiceRun::ServiceRun(const char* servicePath, const InstallationLayout& layout)
    : layout_(layout) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(servicePath, {"--service-dir", QString::fromStdString(layout.ServiceDir()),
                                 "--gateway-args", "--rate 0"});
    WaitFor([this] { return Listening(); });
}

ServiceRun::~ServiceRun() {
    Stop();
}

bool ServiceRun::Listening() const {
    // The socket's file is there from its bind; connections are taken only after its listen.
    platform::ServiceControl control(layout_.ServiceDir());
    return control.OpenManager() && control.OpenService("QEL_IP");
}

bool ServiceRun::Stop() {
    if (process_.state() == QProcess::NotRunning) {
        return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }
    process_.terminate();
    return process_.waitForFinished(10000) && process_.exitCode() == 0;
}

std::vector<int> ServiceRun::Gateways(const std::string& name) const {
    const qint64 parent = process_.processId();
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

bool ServiceRun::StartGateways() const {
    platform::ServiceControl control(layout_.ServiceDir());
    return control.OpenManager() && control.OpenService("QEL_IP") && control.Control(130);
}

int ServiceRun::NewGateway(const std::string& name, int before, int port) const {
    int now = 0;
    PumpUntil([&] {
        const auto pids = Gateways(name);
        now = pids.size() == 1 && pids.front() != before ? pids.front() : 0;
        return now != 0 && (port == 0 || OnLoopback(port, true));
    });
    return now != 0 && (port == 0 || OnLoopback(port, true)) ? now : 0;
}

}  // namespace testing_support
