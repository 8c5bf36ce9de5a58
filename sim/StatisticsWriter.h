#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Keeps the gateways' statistics files current: one file for the figures of all markets
// ("common.stat", market type 100) and one per installed market ("<market>.stat"). A record
// is "type,parameter,value,unit,timestamp|" on a line of its own.
class StatisticsWriter {
  public:
    StatisticsWriter(std::string directory, std::vector<int> markets)
        : m_directory(std::move(directory)), m_markets(std::move(markets)) {}

    // Writes every file for the moment `now` (seconds since 1970, UTC); each file is replaced
    // whole, so a reader never sees half of one. Returns false when a file cannot be written.
    bool WriteAll(std::int64_t now);
    // The records of one file at tick `tick`.
    static std::string Records(int marketType, std::int64_t now, std::uint64_t tick);

  private:
    std::string m_directory;
    std::vector<int> m_markets;
    std::uint64_t m_tick = 0;
};
