#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One figure of a statistics file: "market,parameter,value,unit,timestamp", records separated
// by "|". Fields missing at the end of a record read as empty (0 for the numbers).
struct StatisticsRecord {
    int marketType = 0;  // 100 for Common, 1..7 for a market
    std::string parameter;
    std::string value;
    std::string unit;
    std::uint64_t timestamp = 0;  // seconds since 1970-01-01 00:00:00 UTC
};

constexpr std::size_t kMaxStatisticsRecord = 1023;

// Splits a file's text into its records, in file order. Every "|" ends a record, so a text
// ending in "|" yields a last, empty record (market type 0, which no page has). A record
// longer than 1023 characters is cut to its first 1023.
std::vector<StatisticsRecord> ParseStatisticsText(std::string_view text);
// The same, one record at a time; stops early when `sink` returns false.
bool ForEachStatisticsRecord(std::string_view text,
                             const std::function<bool(StatisticsRecord&&)>& sink);
StatisticsRecord ParseStatisticsRecord(std::string_view record);

// A figure this many seconds old or older is stale: the page shows its value blank. A
// timestamp in the future is not stale.
constexpr std::int64_t kStaleStatisticSeconds = 300;
inline bool IsStaleStatistic(std::int64_t now, std::uint64_t timestamp) {
    return now - static_cast<std::int64_t>(timestamp) >= kStaleStatisticSeconds;
}

// A figure's text as a number: decimal, blanks around it allowed; false for anything else
// (text, hexadecimal, empty). Monitoring and the trends read figures the same way.
bool ParseFigure(std::string_view text, double* value);

// Reads the file at `path` of the statistics folder whole. False, and the file is to be
// skipped in this pass, when it is gone or no regular file, or for ReadStatisticsFile's
// reasons.
bool ReadStatisticsPath(const std::string& path, std::string* text);

// Reads a whole statistics file of `size` bytes. False, and the file is to be skipped in this
// pass, when it cannot be opened or read in full or holds a NUL byte.
bool ReadStatisticsFile(const std::string& path, std::uint64_t size, std::string* text);

// The records of one pass over the directory, merged so that each (market, parameter) pair,
// the parameter compared without regard to case, appears once: at its first place and with
// its first spelling, carrying the last value, unit and timestamp. Applied in order to the
// pages, this gives the same rows and cells as applying every record, in bounded memory.
class StatisticsPass {
  public:
    void Add(StatisticsRecord&& record);
    std::vector<StatisticsRecord> Take();
    bool Empty() const { return m_records.empty(); }

  private:
    std::vector<StatisticsRecord> m_records;
    std::unordered_map<std::string, std::size_t> m_index;
};
