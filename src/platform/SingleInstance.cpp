#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

// A folder of the user's own that nobody else may write: made when missing.
bool MakePrivate(const std::string& folder, std::string* why) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 022) != 0) {
        *why = "not a private folder of this user";
        return false;
    }
    return true;
}

}  // namespace

std::string SingleInstance::RuntimeDirectory() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return (dir && *dir) ? dir : "/tmp";
}

std::string SingleInstance::PrivateDirectory() {
    return "/tmp/zevo-" + std::to_string(getuid());
}

SingleInstance::SingleInstance(const std::string& name, const std::string& folder) : m_name(name) {
    std::string why;
    if (!folder.empty()) {
        const Outcome outcome = TryFolder(folder, &why);
        if (outcome == Outcome::Unusable) {
            std::fprintf(stderr,
                         "zevo: %s cannot be used (%s); running without the "
                         "one-instance rule\n",
                         folder.c_str(), why.c_str());
        }
        m_second = outcome == Outcome::HeldByAnother;
        return;
    }
    const std::string runtime = RuntimeDirectory();
    Outcome outcome = TryFolder(runtime, &why);
    if (outcome == Outcome::Unusable) {
        const std::string fallback = PrivateDirectory();
        std::string fallbackWhy;
        if (MakePrivate(fallback, &fallbackWhy)) {
            outcome = TryFolder(fallback, &fallbackWhy);
        }
        if (outcome == Outcome::Guarded) {
            std::fprintf(stderr,
                         "zevo: the runtime folder %s cannot be used (%s); using %s for the "
                         "one-instance rule\n",
                         runtime.c_str(), why.c_str(), fallback.c_str());
        } else if (outcome == Outcome::Unusable) {
            std::fprintf(
                stderr,
                "zevo: the runtime folder %s (%s) and %s (%s) cannot be used; running without the "
                "one-instance rule\n",
                runtime.c_str(), why.c_str(), fallback.c_str(), fallbackWhy.c_str());
        }
    }
    m_second = outcome == Outcome::HeldByAnother;
}

SingleInstance::Outcome SingleInstance::TryFolder(const std::string& folder, std::string* why) {
    const std::string base = folder + "/" + m_name + "-" + std::to_string(getuid());
    sockaddr_un address;
    if (!Address(base + ".sock", &address)) {
        *why = "path too long for a socket";
        return Outcome::Unusable;
    }
    int lock = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) {
        *why = std::strerror(errno);
        return Outcome::Unusable;
    }
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(lock);
        if (error == EWOULDBLOCK) {
            m_socketPath = base + ".sock";
            return Outcome::HeldByAnother;
        }
        *why = std::strerror(error);
        return Outcome::Unusable;
    }
    // We hold the lock, so a socket file left behind belongs to an instance that is gone.
    unlink(address.sun_path);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0) {
        *why = std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        close(lock);
        return Outcome::Unusable;
    }
    m_lockPath = base + ".lock";
    m_socketPath = address.sun_path;
    m_lock = lock;
    m_listener = fd;
    return Outcome::Guarded;
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
