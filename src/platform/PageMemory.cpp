#include "platform/PageMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// An unlinked file in `folder`: at once where the file system can, else made and removed.
int UnlinkedFile(const std::string& folder) {
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
        return fd;
    }
    std::string name = folder + "/log-rows-XXXXXX";
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        unlink(name.c_str());
    }
    return fd;
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
    m_fd = UnlinkedFile(folder);
    return m_fd >= 0 || Fail(folder, errno);
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
