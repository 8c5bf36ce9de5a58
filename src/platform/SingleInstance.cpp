#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

bool Address(const std::string& path, sockaddr_un* address) {
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path) {
        return false;
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string SingleInstance::RuntimeDirectory() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return (dir && *dir) ? dir : "/tmp";
}

SingleInstance::SingleInstance(const std::string& name) {
    const std::string base = RuntimeDirectory() + "/" + name + "-" + std::to_string(getuid());
    m_lockPath = base + ".lock";
    m_socketPath = base + ".sock";
    m_lock = open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lock < 0 || flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        return;  // another instance holds it
    }
    // We hold the lock, so a socket file left behind belongs to an instance that is gone.
    unlink(m_socketPath.c_str());
    sockaddr_un address;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && Address(m_socketPath, &address) &&
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd, 8) == 0) {
        m_listener = fd;
    } else if (fd >= 0) {
        close(fd);
    }
}

SingleInstance::~SingleInstance() {
    if (m_listener >= 0) {
        close(m_listener);
        unlink(m_socketPath.c_str());
    }
    if (m_lock >= 0) {
        close(m_lock);
    }
}

void SingleInstance::SignalFirst() {
    sockaddr_un address;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    if (Address(m_socketPath, &address) &&
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        char byte = 1;
        [[maybe_unused]] ssize_t n = send(fd, &byte, 1, MSG_NOSIGNAL);
    }
    close(fd);
}

void SingleInstance::Drain() {
    while (m_listener >= 0) {
        int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            break;
        }
        close(client);
        m_signalled = true;
    }
}

bool SingleInstance::IsSignalled() {
    Drain();
    return m_signalled;
}

void SingleInstance::Reset() {
    m_signalled = false;
}

}  // namespace platform
