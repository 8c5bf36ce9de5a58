#pragma once

#include <string>

namespace platform {

// Control of the machine's services. Each running service listens on a Unix stream socket
// "<service dir>/<name>.sock" (service dir: QEL_IP_SERVICE_DIR, default /run/qel_ip).
// A control request is one line "CONTROL <code>\n"; the service answers "OK\n" when it
// accepted the code, anything else when it did not.
class ServiceControl {
  public:
    explicit ServiceControl(std::string directory = DefaultDirectory());

    // Each step returns false on failure and leaves an error number in LastError().
    bool OpenManager();
    bool OpenService(const std::string& name);
    bool Control(int code);
    long LastError() const { return m_lastError; }

    static std::string DefaultDirectory();

  private:
    std::string m_directory;
    std::string m_socketPath;
    long m_lastError = 0;
};

}  // namespace platform
