#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/PageMemory.h"
#include "views/LogRow.h"

// Log rows, oldest first, in blocks of 4096 rows with each field in an array of its own: 14
// bytes a row and nothing moved when a row is added. The newest rows (a million by default)
// stay in memory; older blocks move to a file in the cache folder that the kernel may page
// out, so a page that holds rows for weeks keeps a small resident set. Every row stays
// readable. When the file cannot be made or grown (no cache folder, a full disk), rows stay
// in memory and the spill-problem handler hears why, once until the store is emptied.
class LogRowStore {
  public:
    static constexpr std::size_t kBlockRows = 4096;
    static constexpr std::size_t kDefaultMemoryRows = 1 << 20;
    // Blocks of the file mapped together: 56 MiB, about 4.2 million rows, so a file of weeks
    // of rows needs few mappings.
    static constexpr std::size_t kDefaultBlocksPerChunk = 1024;

    // `blocksPerChunk` other than the default only to try a file of many chunks with few rows.
    explicit LogRowStore(std::size_t blocksPerChunk = kDefaultBlocksPerChunk)
        : m_file(sizeof(Block) * std::max<std::size_t>(1, blocksPerChunk)) {}
    ~LogRowStore() { Clear(); }
    LogRowStore(const LogRowStore&) = delete;
    LogRowStore& operator=(const LogRowStore&) = delete;

    // Where older rows go and how many of the newest stay in memory (rounded up to whole
    // blocks); for the rows added from now on.
    void SetSpill(std::string folder, std::size_t memoryRows);

    void Add(const LogRow& row) {
        const std::size_t slot = m_size % kBlockRows;
        if (slot == 0) {
            NewBlock();
        }
        Block& block = *m_memory.back();
        block.eventTime[slot] = row.eventTime;
        block.userId[slot] = row.userId;
        block.reasonValue[slot] = row.reasonValue;
        block.reasonCode[slot] = row.reasonCode;
        ++m_size;
    }
    LogRow At(std::size_t index) const {
        const std::size_t blockIndex = index / kBlockRows;
        const Block& block = blockIndex < m_fileBlocks
                                 ? *static_cast<const Block*>(m_file.At(blockIndex * sizeof(Block)))
                                 : *m_memory[blockIndex - m_fileBlocks];
        const std::size_t slot = index % kBlockRows;
        return LogRow{block.eventTime[slot], block.userId[slot], block.reasonValue[slot],
                      block.reasonCode[slot]};
    }
    std::size_t Size() const { return m_size; }
    // Rows kept in the file.
    std::size_t SpilledRows() const { return m_fileBlocks * kBlockRows; }
    // Lets every block and the file go; the memory leaves the process.
    void Clear();

    // Told why, when rows that would go to the file stay in memory: once until Clear.
    using SpillProblemHandler = std::function<void(const std::string& reason)>;
    void SetSpillProblemHandler(SpillProblemHandler handler) { m_onProblem = std::move(handler); }

  private:
    struct Block {
        std::array<std::int32_t, kBlockRows> eventTime;
        std::array<std::int32_t, kBlockRows> userId;
        std::array<std::int32_t, kBlockRows> reasonValue;
        std::array<std::uint16_t, kBlockRows> reasonCode;
    };
    static_assert(sizeof(Block) % 4096 == 0, "blocks are whole pages");

    void NewBlock();
    // Moves the oldest block in memory to the file; false when the file cannot take it.
    bool SpillOldestBlock();

    std::string m_folder = platform::CacheFolder();
    std::size_t m_memoryBlocks = kDefaultMemoryRows / kBlockRows;
    std::deque<Block*> m_memory;  // the blocks after the file's, oldest first
    std::size_t m_fileBlocks = 0;
    platform::SpillFile m_file;
    bool m_spillFailed = false;  // since the last Clear: rows stay in memory
    SpillProblemHandler m_onProblem;
    std::size_t m_size = 0;
};
