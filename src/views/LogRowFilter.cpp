#include "views/LogRowFilter.h"

#include <charconv>
#include <ctime>
#include <string_view>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerText(std::string text) {
    for (char& c : text) {
        c = Lower(c);
    }
    return text;
}

bool OnlyOf(const std::string& text, std::string_view allowed) {
    for (char c : text) {
        if (allowed.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace

LogRowFilter::LogRowFilter(const std::string& text)
    : m_needle(LowerText(text)),
      m_numeric(OnlyOf(m_needle, "-0123456789")),
      m_timeLike(OnlyOf(m_needle, "abcdefghijklmnopqrstuvwxyz0123456789, :")),
      m_newMatches(std::string_view("new").find(m_needle) != std::string_view::npos),
      m_reasons(65536, -1) {}

LogRowFilter::LogRowFilter(const std::string& text, std::int64_t from, std::int64_t to)
    : LogRowFilter(text) {
    m_from = from;
    m_to = to;
}

bool LogRowFilter::Matches(const LogRow& row) {
    if (m_to > m_from && (row.eventTime < m_from || row.eventTime >= m_to)) {
        return false;
    }
    if (m_needle.empty()) {
        return true;
    }
    if (ReasonMatches(row.reasonCode)) {
        return true;
    }
    if (row.userId == 0 ? m_newMatches : row.userId != -1 && NumberMatches(row.userId)) {
        return true;
    }
    if (row.reasonValue != -1 && NumberMatches(row.reasonValue)) {
        return true;
    }
    return m_timeLike && TimeMatches(row.eventTime);
}

bool LogRowFilter::ReasonMatches(std::uint16_t code) {
    std::int8_t& known = m_reasons[code];
    if (known < 0) {
        known = LowerText(GetReasonDescription(code)).find(m_needle) != std::string::npos;
    }
    return known == 1;
}

bool LogRowFilter::NumberMatches(std::int32_t value) const {
    if (!m_numeric) {
        return false;
    }
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::string_view(digits, static_cast<std::size_t>(end - digits)).find(m_needle) !=
           std::string_view::npos;
}

bool LogRowFilter::TimeMatches(std::int32_t seconds) {
    if (seconds < m_hourStart || seconds >= m_hourEnd) {
        std::string text = FormatEventTime(seconds);
        if (text.size() < 5) {
            return false;  // the time cannot be shown: its cell is empty
        }
        const std::time_t time = seconds;
        std::tm local{};
        localtime_r(&time, &local);
        m_hourStart = static_cast<std::int64_t>(seconds) - local.tm_min * 60 - local.tm_sec;
        m_hourEnd = m_hourStart + 3600;
        text.resize(text.size() - 5);  // without "MM:SS"
        m_hourText = LowerText(std::move(text));
    }
    const int within = static_cast<int>(seconds - m_hourStart);
    const int minute = within / 60, second = within % 60;
    const std::size_t size = m_hourText.size();
    m_hourText += static_cast<char>('0' + minute / 10);
    m_hourText += static_cast<char>('0' + minute % 10);
    m_hourText += ':';
    m_hourText += static_cast<char>('0' + second / 10);
    m_hourText += static_cast<char>('0' + second % 10);
    const bool found = m_hourText.find(m_needle) != std::string::npos;
    m_hourText.resize(size);
    return found;
}
