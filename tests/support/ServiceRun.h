#pragma once

#include <QProcess>
#include <string>
#include <vector>

#include "InstallationLayout.h"

namespace testing_support {

// The QEL_IP service simulator running over a laid-out installation, ended with the object.
// Its gateways are found as its own children, so gateways of the demo or of other tests on
// the machine never count.
class ServiceRun {
  public:
    ServiceRun(const char* servicePath, const InstallationLayout& layout);
    ~ServiceRun();
    // Whether the service's control socket takes connections.
    bool Listening() const;
    // Process ids of the service's children named `name` (comm), e.g. "qel_ip_fo.exe".
    std::vector<int> Gateways(const std::string& name) const;
    // Ends the service; true when it ended by itself with status 0.
    bool Stop();
    // Sends the service the control code that starts the installed gateways.
    bool StartGateways() const;
    // Waits (running the event loop) until the one gateway named `name` is another process
    // than `before` (0: any) and accepts on the loopback `port` (0: not looked at); its
    // process id, or 0 when that does not happen within ten seconds.
    int NewGateway(const std::string& name, int before = 0, int port = 0) const;

  private:
    const InstallationLayout& layout_;
    QProcess process_;
};

}  // namespace testing_support
