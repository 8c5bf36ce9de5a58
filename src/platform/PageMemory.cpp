#include "platform/PageMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {

void* AllocatePages(std::size_t bytes) {
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

void FreePages(void* pages, std::size_t bytes) {
    if (pages) {
        munmap(pages, bytes);
    }
}

std::string CacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/') {
        return std::string(cache) + "/zevo";
    }
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.cache/zevo" : std::string();
}

namespace {

// Makes `folder` and its missing parents, private to the user.
bool MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

// The folder, opened without following a link, when it is the user's own and nobody else
// may write in it: a folder another account owns or can write to could keep or read the
// rows. -1 with errno (EPERM for a folder that is not private).
int OpenPrivateFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) {
        const int error = errno;
        if (fd >= 0) {
            close(fd);
        }
        errno = error;
        return -1;
    }
    if (info.st_uid != geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

// A name no other file in the folder has, for the moment between making and removing it.
std::string FreshName(int attempt) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t seed = static_cast<std::uint64_t>(getpid()) * 1000003u ^
                         static_cast<std::uint64_t>(attempt) * 7919u ^
                         static_cast<std::uint64_t>(std::rand());
    std::string name = "log-rows-";
    for (int k = 0; k < 8; ++k, seed /= 36) {
        name += kLetters[seed % 36];
    }
    return name;
}

// An unlinked file in the open `folder`: at once where the file system can, else made and
// removed by name within that folder, never through a path someone could swap.
int UnlinkedFile(int folder, bool unnamed) {
    if (unnamed) {
        const int fd = openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
            return fd;
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = FreshName(attempt);
        const int fd =
            openat(folder, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            unlinkat(folder, name.c_str(), 0);
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

}  // namespace

bool SpillFile::Fail(const std::string& what, int error) {
    m_error = what + ": " + std::strerror(error);
    return false;
}

bool SpillFile::Open(const std::string& folder) {
    Close();
    if (folder.empty()) {
        return Fail("no cache folder", ENOENT);
    }
    if (!MakeFolders(folder)) {
        return Fail(folder, errno);
    }
    const int directory = OpenPrivateFolder(folder);
    struct stat link {};
    if (directory < 0 && errno == EPERM) {
        m_error = folder + ": another account owns it or may write in it";
        return false;
    }
    if (directory < 0 && lstat(folder.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        m_error = folder + ": a link, not a folder of this user's own";
        return false;
    }
    if (directory < 0) {
        return Fail(folder, errno);
    }
    m_fd = UnlinkedFile(directory, m_unnamedFiles);
    const int error = errno;
    close(directory);
    return m_fd >= 0 || Fail(folder, error);
}

void* SpillFile::Extend(std::size_t bytes) {
    if (m_fd < 0 || bytes > m_chunkBytes) {
        return nullptr;
    }
    if (m_size % m_chunkBytes + bytes > m_chunkBytes) {
        m_size += m_chunkBytes - m_size % m_chunkBytes;  // never split across two chunks
    }
    if (m_size / m_chunkBytes == m_chunks.size()) {
        const off_t start = static_cast<off_t>(m_chunks.size() * m_chunkBytes);
        // Reserved, not only sized: a write into a hole of a full disk would kill the
        // program with SIGBUS instead of failing here.
        const int error = posix_fallocate(m_fd, start, static_cast<off_t>(m_chunkBytes));
        if (error != 0) {
            Fail("cache file", error);
            return nullptr;
        }
        void* chunk = mmap(nullptr, m_chunkBytes, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, start);
        if (chunk == MAP_FAILED) {
            Fail("cache file", errno);
            return nullptr;
        }
        m_chunks.push_back(chunk);
    }
    void* at = At(m_size);
    m_size += bytes;
    return at;
}

void SpillFile::Close() {
    for (void* chunk : m_chunks) {
        munmap(chunk, m_chunkBytes);
    }
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_size = 0;
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

}  // namespace platform
