#include "views/StatisticsTrends.h"

#include <algorithm>

#include "views/StatisticsFile.h"

void StatisticsTrends::Take(std::size_t row, const std::string& value, std::uint64_t timestamp,
                            std::int64_t now) {
    if (IsStaleStatistic(now, timestamp)) {
        return;
    }
    const std::int64_t time = std::min(static_cast<std::int64_t>(timestamp), now);
    double number = 0;
    const bool isNumber = ParseFigure(value, &number);
    if (row >= m_series.size()) {
        if (!isNumber) {
            return;
        }
        m_series.resize(row + 1);
    }
    TrendSeries& series = m_series[row];
    if (isNumber) {
        series.AddNumber(time, number);
    } else {
        series.AddText(time);  // ends a line, if there is one
    }
}

const TrendSeries* StatisticsTrends::Series(std::size_t row) const {
    return row < m_series.size() && !m_series[row].Empty() ? &m_series[row] : nullptr;
}

std::size_t StatisticsTrends::Bytes() const {
    std::size_t bytes =
        sizeof(*this) + (m_series.capacity() - m_series.size()) * sizeof(TrendSeries);
    for (const TrendSeries& series : m_series) {
        bytes += series.Bytes();
    }
    return bytes;
}
