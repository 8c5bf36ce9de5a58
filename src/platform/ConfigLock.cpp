#include "platform/ConfigLock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Accounts.h"
#include "platform/FileSystem.h"

namespace platform {

namespace {

LockWait g_wait;
// Recursive: the window's wait keeps its event loop going, and an event may save too.
std::recursive_mutex g_mutex;

// The folders this process holds, with how many ConfigLocks hold each.
struct Held {
    int fd = -1;
    int count = 0;
};
std::map<std::string, Held>& HeldFolders() {
    static std::map<std::string, Held> held;
    // A child made by fork shares its parent's locks but is a writer of its own: it starts
    // with none of them, and its own attempt meets the parent's lock like any other's.
    static pid_t owner = getpid();
    if (owner != getpid()) {
        owner = getpid();
        held.clear();
    }
    return held;
}

std::string Errno(int error) {
    return std::strerror(error);
}

std::string ProgramName() {
    char name[64] = "";
    const int fd = open("/proc/self/comm", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const ssize_t read = ::read(fd, name, sizeof name - 1);
        close(fd);
        name[read > 0 ? read : 0] = '\0';
        name[std::strcspn(name, "\n")] = '\0';
    }
    return name[0] ? name : "zevo";
}

// "zevo-cli (pid 4242, user root) since 2026-12-06 17:03:01": what a waiting writer shows.
std::string HolderText() {
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char since[32];
    std::strftime(since, sizeof since, "%Y-%m-%d %H:%M:%S", &local);
    return ProgramName() + " (pid " + std::to_string(getpid()) + ", user " +
           AccountName(geteuid()) + ") since " + since;
}

std::string ReadHolder(int fd) {
    char text[256] = "";
    const ssize_t read = pread(fd, text, sizeof text - 1, 0);
    std::string holder(text, read > 0 ? static_cast<size_t>(read) : 0);
    holder.erase(std::find(holder.begin(), holder.end(), '\n'), holder.end());
    return holder.empty() ? "another writer" : holder;
}

constexpr int kNothingToGuard = -2;

// Opens (making it when missing) the folder's lock file so that the folder's owner and group
// can all lock it: mode 0660 and the folder's group (and, for root, the folder's owner).
// kNothingToGuard for a folder that is missing or in which the running user can make no file:
// no save of this user writes there, and the file's own writer says why in its own words.
int OpenLockFile(const std::string& folder, std::string* refusal) {
    const std::string path = folder + "/" + kConfigLockName;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0660);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) {
        fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);  // flock needs no write
        if (fd < 0 && errno == ENOENT) {
            return kNothingToGuard;
        }
    } else if (fd < 0 && errno == ENOENT) {
        return kNothingToGuard;
    }
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = fd < 0 ? errno : EINVAL;
        if (fd >= 0) {
            close(fd);
        }
        *refusal = "cannot take the configuration lock " + path + ": " + Errno(error);
        return -1;
    }
    struct stat owner {};
    if (info.st_uid == geteuid() && stat(folder.c_str(), &owner) == 0) {
        // Best effort: a user outside the folder's group keeps its own group.
        if (fchown(fd, geteuid() == 0 ? owner.st_uid : static_cast<uid_t>(-1), owner.st_gid) != 0) {
            errno = 0;
        }
        fchmod(fd, 0660);
    }
    return fd;
}

bool IsTemporaryOf(const std::string& folder, const std::string& name) {
    constexpr std::string_view kMark = ".tmp.";
    const size_t mark = name.size() > kMark.size() + 6 ? name.size() - 6 - kMark.size() : 0;
    if (mark == 0 || name.compare(mark, kMark.size(), kMark) != 0) {
        return false;
    }
    const std::string tail = name.substr(name.size() - 6);
    if (!std::all_of(tail.begin(), tail.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
        return false;
    }
    struct stat original {};
    return lstat((folder + "/" + name.substr(0, mark)).c_str(), &original) == 0;
}

// Removes what interrupted saves left in `folder`; called with the folder's lock held.
void RemoveLeftOvers(const std::string& folder, std::vector<std::string>* removed) {
    DIR* directory = opendir(folder.c_str());
    if (!directory) {
        return;
    }
    while (const struct dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (IsTemporaryOf(folder, name) && lstat(path.c_str(), &info) == 0 &&
            S_ISREG(info.st_mode) && unlink(path.c_str()) == 0) {
            removed->push_back(path);
        }
    }
    closedir(directory);
}

using Clock = std::chrono::steady_clock;

// Takes one folder's lock, waiting until `deadline`; the caller holds g_mutex.
bool LockFolder(const std::string& folder, Clock::time_point deadline, const LockWait& wait,
                std::string* refusal, std::vector<std::string>* removed) {
    Held& held = HeldFolders()[folder];
    if (held.count > 0) {
        ++held.count;
        return true;
    }
    const int fd = OpenLockFile(folder, refusal);
    if (fd == kNothingToGuard) {
        held = {-1, 1};
        return true;
    }
    if (fd < 0) {
        HeldFolders().erase(folder);
        return false;
    }
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || Clock::now() >= deadline) {
            const bool busy = errno == EWOULDBLOCK;
            *refusal =
                busy ? folder + " is being changed by " + ReadHolder(fd)
                     : "cannot take the configuration lock of " + folder + ": " + Errno(errno);
            close(fd);
            HeldFolders().erase(folder);
            return false;
        }
        if (wait.waiting) {
            wait.waiting();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string holder = HolderText() + "\n";
    if (ftruncate(fd, 0) == 0 && pwrite(fd, holder.data(), holder.size(), 0) < 0) {
        errno = 0;  // a lock file opened read-only cannot name its holder; the lock holds
    }
    held = {fd, 1};
    RemoveLeftOvers(folder, removed);
    return true;
}

void UnlockFolder(const std::string& folder) {
    auto found = HeldFolders().find(folder);
    if (found == HeldFolders().end() || --found->second.count > 0) {
        return;
    }
    const int fd = found->second.fd;
    if (fd < 0) {
        HeldFolders().erase(found);
        return;
    }
    if (ftruncate(fd, 0) != 0) {
        errno = 0;
    }
    flock(fd, LOCK_UN);
    close(fd);
    HeldFolders().erase(found);
}

}  // namespace

const LockWait& InstalledLockWait() {
    return g_wait;
}

LockWait SetLockWait(const LockWait& wait) {
    LockWait previous = g_wait;
    g_wait = wait;
    return previous;
}

std::string FolderOfFileBehind(const std::string& path) {
    const std::string folder = DirectoryOf(FileBehind(path));
    char resolved[PATH_MAX];
    return realpath(folder.c_str(), resolved) ? std::string(resolved) : folder;
}

ConfigLock::ConfigLock(const std::vector<std::string>& files, const LockWait& wait) {
    std::vector<std::string> folders;
    for (const std::string& file : files) {
        if (!file.empty()) {
            folders.push_back(FolderOfFileBehind(file));
        }
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait.milliseconds);
    std::lock_guard<std::recursive_mutex> guard(g_mutex);
    for (const std::string& folder : folders) {
        if (!LockFolder(folder, deadline, wait, &m_refusal, &m_removed)) {
            for (const std::string& taken : m_folders) {
                UnlockFolder(taken);
            }
            m_folders.clear();
            return;
        }
        m_folders.push_back(folder);
    }
    m_held = true;
}

ConfigLock::~ConfigLock() {
    std::lock_guard<std::recursive_mutex> guard(g_mutex);
    for (const std::string& folder : m_folders) {
        UnlockFolder(folder);
    }
}

}  // namespace platform
