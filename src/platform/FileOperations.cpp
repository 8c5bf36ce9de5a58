#include "platform/FileOperations.h"

#include <fcntl.h>
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
    // A link planted at a fixed temporary name must not redirect the write elsewhere.
    return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
}

ssize_t FileOperations::Write(int fd, const void* data, std::size_t size) {
    return write(fd, data, size);
}

int FileOperations::Sync(int fd) {
    return fsync(fd);
}

int FileOperations::CopyOwnerAndMode(int fd, const struct stat& original) {
    // Owner first: changing it may clear set-user-id bits that the mode then restores.
    if (geteuid() == 0 && fchown(fd, original.st_uid, original.st_gid) != 0) {
        return -1;
    }
    return fchmod(fd, original.st_mode & 07777);
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
