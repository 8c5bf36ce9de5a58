#include "platform/FileOperations.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

namespace platform {

int FileOperations::MakeTemporary(std::string& name_template) {
    std::vector<char> name(name_template.begin(), name_template.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        name_template = name.data();
    }
    return fd;
}

int FileOperations::CreateFile(const std::string& path) {
    // A fresh file, never one already there: another user's left-over could not be given
    // this file's owner and mode, and a link planted at a fixed temporary name must not
    // redirect the write elsewhere.
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        return -1;
    }
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

ssize_t FileOperations::Write(int fd, const void* data, std::size_t size) {
    return write(fd, data, size);
}

int FileOperations::Sync(int fd) {
    return fsync(fd);
}

int FileOperations::CopyOwnerAndMode(int fd, const struct stat& original) {
    // Owner first: changing it may clear set-user-id bits that the mode then restores.
    struct stat made {};
    if (fstat(fd, &made) != 0) {
        return -1;
    }
    if (geteuid() == 0) {
        if (fchown(fd, original.st_uid, original.st_gid) != 0) {
            return -1;
        }
    } else if (made.st_gid != original.st_gid && fchown(fd, -1, original.st_gid) != 0 &&
               errno != EPERM) {
        return -1;  // EPERM: not a member of the group; CheckReplace has judged that case
    }
    return fchmod(fd, original.st_mode & 07777);
}

namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";

std::vector<char> AttributeNames(const std::string& path) {
    std::vector<char> names;
    for (ssize_t size = listxattr(path.c_str(), nullptr, 0); size > 0;
         size = listxattr(path.c_str(), nullptr, 0)) {
        names.resize(static_cast<size_t>(size));
        const ssize_t listed = listxattr(path.c_str(), names.data(), names.size());
        if (listed >= 0) {
            names.resize(static_cast<size_t>(listed));
            return names;
        }
        if (errno != ERANGE) {
            break;
        }
    }
    names.clear();
    return names;
}

}  // namespace

int FileOperations::CopyAttributes(int fd, const std::string& original, std::string* failed) {
    const std::vector<char> names = AttributeNames(original);
    bool hasAcl = false;
    for (size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        hasAcl |= name == kAccessAcl;
        std::vector<char> value(65536);
        const ssize_t size = getxattr(original.c_str(), name.c_str(), value.data(), value.size());
        if (size < 0 ||
            fsetxattr(fd, name.c_str(), value.data(), static_cast<size_t>(size), 0) != 0) {
            *failed = name;
            return -1;
        }
    }
    // A default ACL of the folder gave the new file an ACL that the original does not have.
    if (!hasAcl && fremovexattr(fd, kAccessAcl) != 0 && errno != ENODATA && errno != ENOTSUP) {
        *failed = kAccessAcl;
        return -1;
    }
    return 0;
}

int FileOperations::Close(int fd) {
    return close(fd);
}

int FileOperations::Rename(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str());
}

int FileOperations::SyncDirectory(const std::string& directory) {
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    int result = fsync(fd);
    int error = errno;
    close(fd);
    errno = error;
    return result;
}

int FileOperations::Unlink(const std::string& path) {
    return unlink(path.c_str());
}

namespace {

FileOperations g_real;
std::atomic<FileOperations*> g_installed{&g_real};

}  // namespace

FileOperations& DefaultFileOperations() {
    return g_real;
}

FileOperations& InstalledFileOperations() {
    return *g_installed.load();
}

FileOperations* InstallFileOperations(FileOperations* operations) {
    return g_installed.exchange(operations ? operations : &g_real);
}

}  // namespace platform
