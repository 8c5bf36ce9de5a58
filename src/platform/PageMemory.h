#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Whole pages of memory taken from and given back to the system directly, so memory that a
// list lets go of leaves the process at once instead of staying in the allocator's heap.
void* AllocatePages(std::size_t bytes);  // null when the system has none
void FreePages(void* pages, std::size_t bytes);

// The folder for files the program can make again: $XDG_CACHE_HOME/zevo, else
// $HOME/.cache/zevo; empty when neither is set.
std::string CacheFolder();

// Room on disk for data that the kernel may page out: a file in a folder that no other
// program sees (it is unlinked as soon as it is made, so it goes away with the program even
// when the program is killed), grown in chunks of a fixed size, each mapped on its own so an
// address once handed out stays good until Close.
class SpillFile {
  public:
    explicit SpillFile(std::size_t chunkBytes) : m_chunkBytes(chunkBytes) {}
    ~SpillFile() { Close(); }
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    // Makes the file in `folder` (created when missing), which must be the user's own with
    // no group or other write, and is opened without following a link; false with the reason
    // in Error().
    bool Open(const std::string& folder);
    // Whether the file is made without a name at all (O_TMPFILE) where the file system can;
    // false makes and removes a named one, as on file systems without it.
    void SetUnnamedFiles(bool unnamed) { m_unnamedFiles = unnamed; }
    bool IsOpen() const { return m_fd >= 0; }
    // `bytes` more at the end (a part of a chunk, never split across two), with the disk space
    // reserved so writing to it cannot fail later; null with the reason in Error().
    void* Extend(std::size_t bytes);
    // The address of the byte at `offset`, below the size extended to.
    void* At(std::size_t offset) const {
        return static_cast<char*>(m_chunks[offset / m_chunkBytes]) + offset % m_chunkBytes;
    }
    // Unmaps and closes; the file's blocks go back to the file system.
    void Close();
    const std::string& Error() const { return m_error; }

  private:
    bool Fail(const std::string& what, int error);

    std::size_t m_chunkBytes;
    int m_fd = -1;
    bool m_unnamedFiles = true;
    std::vector<void*> m_chunks;
    std::size_t m_size = 0;  // bytes handed out
    std::string m_error;
};

}  // namespace platform
