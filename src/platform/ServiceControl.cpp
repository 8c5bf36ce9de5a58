#include "platform/ServiceControl.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

constexpr int kReplyTimeoutMs = 3000;

// Connects to a service socket; -1 with errno set on failure.
int ConnectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

ServiceControl::ServiceControl(std::string directory) : m_directory(std::move(directory)) {}

std::string ServiceControl::DefaultDirectory() {
    const char* env = std::getenv("QEL_IP_SERVICE_DIR");
    return (env && *env) ? env : "/run/qel_ip";
}

bool ServiceControl::OpenManager() {
    DIR* dir = opendir(m_directory.c_str());
    if (!dir) {
        m_lastError = errno;
        return false;
    }
    closedir(dir);
    return true;
}

bool ServiceControl::OpenService(const std::string& name) {
    m_socketPath = m_directory + "/" + name + ".sock";
    int fd = ConnectTo(m_socketPath);
    if (fd < 0) {
        m_lastError = errno;
        return false;
    }
    ::close(fd);
    return true;
}

bool ServiceControl::Control(int code) {
    int fd = ConnectTo(m_socketPath);
    if (fd < 0) {
        m_lastError = errno;
        return false;
    }
    std::string request = "CONTROL " + std::to_string(code) + "\n";
    bool accepted = false;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
        char reply[64] = {0};
        size_t got = 0;
        pollfd p{fd, POLLIN, 0};
        while (got < sizeof reply - 1 && poll(&p, 1, kReplyTimeoutMs) == 1) {
            ssize_t n = ::recv(fd, reply + got, sizeof reply - 1 - got, 0);
            if (n <= 0) {
                break;
            }
            got += static_cast<size_t>(n);
            if (std::memchr(reply, '\n', got)) {
                break;
            }
        }
        accepted = std::strncmp(reply, "OK\n", 3) == 0;
        m_lastError = accepted ? 0 : (got == 0 ? ETIMEDOUT : EPERM);
    } else {
        m_lastError = errno;
    }
    ::close(fd);
    return accepted;
}

}  // namespace platform
