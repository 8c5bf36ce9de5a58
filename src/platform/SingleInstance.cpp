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

// A folder of the user's own that nobody else may enter: made when missing. One that is
// there already must be a real folder (no link), owned by the user, with mode 0700.
bool MakePrivate(const std::string& folder, std::string* why) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 07777) != 0700) {
        *why = "not a folder of this user's with mode 0700";
        return false;
    }
    return true;
}

// Makes the missing folders of `path`, each private to the user (as ~/.local/state is).
void MakeParents(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) {
            return;
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

void SayRunningWithoutTheRule(const std::string& folder, const std::string& why) {
    std::fprintf(stderr, "zevo: %s cannot be used (%s); running without the one-instance rule\n",
                 folder.c_str(), why.c_str());
}

}  // namespace

std::string SingleInstance::RuntimeDirectory() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return (dir && *dir) ? dir : "";
}

std::string SingleInstance::StateDirectory() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/') {
        return std::string(state) + "/zevo";
    }
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.local/state/zevo" : std::string();
}

std::string SingleInstance::PrivateDirectory() {
    const char* temporary = std::getenv("TMPDIR");
    return std::string(temporary && *temporary ? temporary : "/tmp") + "/zevo-" +
           std::to_string(getuid());
}

SingleInstance::SingleInstance(const std::string& name, const std::string& folder) : m_name(name) {
    std::string why;
    if (!folder.empty()) {
        const Outcome outcome = TryFolder(folder, &why);
        if (outcome == Outcome::Unusable) {
            SayRunningWithoutTheRule(folder, why);
        }
        m_second = outcome == Outcome::HeldByAnother;
        return;
    }
    // The user's runtime folder, private by definition; without one, or when it cannot be
    // used, a private folder in the user's home, then one of the user's under /tmp, never a
    // shared folder itself.
    const std::string runtime = RuntimeDirectory();
    Outcome outcome = runtime.empty() ? Outcome::Unusable : TryFolder(runtime, &why);
    if (outcome == Outcome::Unusable) {
        outcome = TryFallbacks(runtime, why);
    }
    m_second = outcome == Outcome::HeldByAnother;
}

// The private folders after the runtime folder, in order. Another account can make
// /tmp/zevo-<uid> first, so the folder in the user's home comes before it.
SingleInstance::Outcome SingleInstance::TryFallbacks(const std::string& runtime,
                                                     const std::string& runtimeWhy) {
    Outcome outcome = Outcome::Unusable;
    std::string folder, why;
    for (const std::string& fallback : {StateDirectory(), PrivateDirectory()}) {
        if (fallback.empty()) {
            continue;
        }
        folder = fallback;
        const size_t parent = fallback.rfind('/');
        if (parent != std::string::npos && parent > 0) {
            MakeParents(fallback.substr(0, parent));
        }
        if (MakePrivate(fallback, &why)) {
            outcome = TryFolder(fallback, &why);
        }
        if (outcome != Outcome::Unusable) {
            break;
        }
    }
    if (outcome == Outcome::Guarded && !runtime.empty()) {
        std::fprintf(stderr,
                     "zevo: the runtime folder %s cannot be used (%s); using %s for the "
                     "one-instance rule\n",
                     runtime.c_str(), runtimeWhy.c_str(), folder.c_str());
    } else if (outcome == Outcome::Unusable) {
        SayRunningWithoutTheRule(folder, why);
    }
    return outcome;
}

SingleInstance::Outcome SingleInstance::TryFolder(const std::string& folder, std::string* why) {
    const std::string base = folder + "/" + m_name + "-" + std::to_string(getuid());
    sockaddr_un address;
    if (!Address(base + ".sock", &address)) {
        *why = "path too long for a socket";
        return Outcome::Unusable;
    }
    // Never through a link, and only a lock file of the user's own: nobody else can make
    // this instance step aside.
    int lock = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
        *why = std::strerror(errno);
        return Outcome::Unusable;
    }
    struct stat info {};
    if (fstat(lock, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        close(lock);
        *why = "its lock file " + base + ".lock belongs to another user";
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
        chmod(address.sun_path, 0600) != 0 || listen(fd, 8) != 0) {
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
