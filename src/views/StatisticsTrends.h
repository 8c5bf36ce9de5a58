#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "views/TrendSeries.h"

// The trends of one statistics page: a history for each row whose figure has read as a number
// while fresh. The histories lie side by side in the rows' order, as a pass visits them.
class StatisticsTrends {
  public:
    // Row `row`'s figure as a pass shows it at `now`. A stale figure adds nothing: the history
    // shows a gap from where it went stale. A figure from the future counts as taken now.
    void Take(std::size_t row, const std::string& value, std::uint64_t timestamp, std::int64_t now);
    // The history of row `row`, or null when its figure never read as a number.
    const TrendSeries* Series(std::size_t row) const;
    // Bytes held by every history, the table of rows included.
    std::size_t Bytes() const;

  private:
    std::vector<TrendSeries> m_series;
};
