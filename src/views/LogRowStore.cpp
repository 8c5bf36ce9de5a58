#include "views/LogRowStore.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

void LogRowStore::SetSpill(std::string folder, std::size_t memoryRows) {
    m_folder = std::move(folder);
    m_memoryBlocks = std::max<std::size_t>(1, (memoryRows + kBlockRows - 1) / kBlockRows);
}

void LogRowStore::NewBlock() {
    if (m_memory.size() >= m_memoryBlocks && !m_spillFailed && !SpillOldestBlock()) {
        m_spillFailed = true;
        if (m_onProblem) {
            m_onProblem(m_file.Error());
        }
    }
    void* pages = platform::AllocatePages(sizeof(Block));
    if (!pages) {
        throw std::bad_alloc();
    }
    m_memory.push_back(static_cast<Block*>(pages));
}

bool LogRowStore::SpillOldestBlock() {
    if (!m_file.IsOpen() && !m_file.Open(m_folder)) {
        return false;
    }
    void* room = m_file.Extend(sizeof(Block));
    if (!room) {
        return false;
    }
    Block* oldest = m_memory.front();
    std::memcpy(room, oldest, sizeof(Block));
    platform::FreePages(oldest, sizeof(Block));
    m_memory.pop_front();
    ++m_fileBlocks;
    return true;
}

void LogRowStore::Clear() {
    for (Block* block : m_memory) {
        platform::FreePages(block, sizeof(Block));
    }
    m_memory.clear();
    m_memory.shrink_to_fit();
    m_file.Close();
    m_fileBlocks = 0;
    m_spillFailed = false;
    m_size = 0;
}
