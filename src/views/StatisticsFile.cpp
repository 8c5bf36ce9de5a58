#include "views/StatisticsFile.h"

#include <sys/stat.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/TextFile.h"

namespace {

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads a leading decimal number as scanf's "%9d" does: blanks and new-lines skipped, an
// optional sign, at most nine characters. `at` moves past what was read.
int ReadMarketType(std::string_view text, std::size_t* at) {
    while (*at < text.size() && IsBlank(text[*at])) {
        ++*at;
    }
    const std::size_t start = *at;
    bool negative = false;
    if (*at < text.size() && (text[*at] == '-' || text[*at] == '+')) {
        negative = text[*at] == '-';
        ++*at;
    }
    long value = 0;
    while (*at < text.size() && *at - start < 9 &&
           std::isdigit(static_cast<unsigned char>(text[*at]))) {
        value = value * 10 + (text[*at] - '0');
        ++*at;
    }
    return static_cast<int>(negative ? -value : value);
}

// The next blank-free word read as an unsigned decimal, as "%lu" does.
std::uint64_t ReadTimestamp(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    std::uint64_t value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        value = value * 10 + static_cast<std::uint64_t>(text[at] - '0');
        ++at;
    }
    return negative ? 0 - value : value;
}

// The text from `at` up to the next "," (or the end); `at` moves past the comma.
std::string_view NextField(std::string_view text, std::size_t* at) {
    if (*at > text.size()) {
        return {};
    }
    const std::size_t comma = text.find(',', *at);
    const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    std::string_view field = text.substr(*at, end - *at);
    *at = comma == std::string_view::npos ? text.size() + 1 : comma + 1;
    return field;
}

}  // namespace

StatisticsRecord ParseStatisticsRecord(std::string_view record) {
    StatisticsRecord parsed;
    record = record.substr(0, kMaxStatisticsRecord);
    std::size_t at = 0;
    parsed.marketType = ReadMarketType(record, &at);
    if (at >= record.size() || record[at] != ',') {
        return parsed;  // no separator after the number: the rest reads as missing
    }
    ++at;
    parsed.parameter = NextField(record, &at);
    parsed.value = NextField(record, &at);
    parsed.unit = NextField(record, &at);
    parsed.timestamp = ReadTimestamp(NextField(record, &at));
    return parsed;
}

bool ForEachStatisticsRecord(std::string_view text,
                             const std::function<bool(StatisticsRecord&&)>& sink) {
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t bar = text.find('|', at);
        if (bar == std::string_view::npos) {
            bar = text.size();
        }
        if (!sink(ParseStatisticsRecord(text.substr(at, bar - at)))) {
            return false;
        }
        at = bar + 1;
    }
    return true;
}

std::vector<StatisticsRecord> ParseStatisticsText(std::string_view text) {
    std::vector<StatisticsRecord> records;
    ForEachStatisticsRecord(text, [&](StatisticsRecord&& record) {
        records.push_back(std::move(record));
        return true;
    });
    return records;
}

void StatisticsPass::Add(StatisticsRecord&& record) {
    std::string key = std::to_string(record.marketType) + ",";
    for (char c : record.parameter) {
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    auto [it, added] = m_index.try_emplace(std::move(key), m_records.size());
    if (added) {
        m_records.push_back(std::move(record));
        return;
    }
    StatisticsRecord& kept = m_records[it->second];
    kept.value = std::move(record.value);
    kept.unit = std::move(record.unit);
    kept.timestamp = record.timestamp;
}

std::vector<StatisticsRecord> StatisticsPass::Take() {
    m_index.clear();
    return std::exchange(m_records, {});
}

bool ParseFigure(std::string_view text, double* value) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return false;
    }
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    const auto [stop, error] = std::from_chars(begin, end, *value, std::chars_format::general);
    return error == std::errc() && stop == end && std::isfinite(*value);
}

bool ReadStatisticsFile(const std::string& path, std::uint64_t size, std::string* text) {
    // Only a regular file: a FIFO in the statistics folder must not hold the reader up.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::OpenRegularFile(path),
                                                         &std::fclose);
    if (!file) {
        return false;
    }
    std::string bytes(size, '\0');
    const std::size_t read = size ? std::fread(bytes.data(), 1, size, file.get()) : 0;
    // A short read leaves zero bytes, so the text length tells both faults apart from none.
    if (read != size || std::strlen(bytes.c_str()) != size) {
        return false;
    }
    *text = std::move(bytes);
    return true;
}

bool ReadStatisticsPath(const std::string& path, std::string* text) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ReadStatisticsFile(path, static_cast<std::uint64_t>(info.st_size), text);
}
