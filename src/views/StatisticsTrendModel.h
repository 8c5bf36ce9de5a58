#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "views/TrendSeries.h"

class StatisticsTrends;

// A selected row of a statistics page, with its cells' texts as the list shows them.
struct TrendRow {
    std::size_t row = 0;
    std::string parameter;
    std::string value;
    std::string unit;
};

// What a statistics page's trend pane shows: the histories of the selected rows over a span
// of time ending now, drawn together when their units agree, and a note on each selected row
// that is not drawn. Plain data, so that what the chart draws can be read without it.
class StatisticsTrendModel {
  public:
    // Lines drawn at once: each has a dash pattern of its own.
    static constexpr std::size_t kMostLines = 6;
    // Rows whose reason is given; the others are counted.
    static constexpr std::size_t kMostNotes = 3;
    static constexpr std::int64_t kDefaultSpan = 3600;

    struct Line {
        std::size_t row = 0;
        std::string parameter;
        std::string unit;
        TrendHistory history;  // over [From(), To()]
    };

    explicit StatisticsTrendModel(const StatisticsTrends& trends) : m_trends(trends) {}

    // The rows selected, in the list's order.
    void Select(std::vector<TrendRow> rows) { m_rows = std::move(rows); }
    bool HasSelection() const { return !m_rows.empty(); }
    void SetSpan(std::int64_t seconds) { m_span = seconds; }
    std::int64_t Span() const { return m_span; }
    // Reads the selected rows' histories again for the span ending at `now`.
    void Refresh(std::int64_t now);

    const std::vector<Line>& Lines() const { return m_lines; }
    // One line of text per selected row that is not drawn, saying why; with no row selected,
    // how to choose one.
    const std::string& Note() const { return m_note; }
    std::int64_t From() const { return m_now - m_span; }
    std::int64_t To() const { return m_now; }
    // The points and gaps of drawn line `index` over [from, to].
    TrendHistory Range(std::size_t index, std::int64_t from, std::int64_t to) const;

  private:
    std::string WhyNotDrawn(const TrendRow& row) const;
    void AddNote(const std::string& line);

    const StatisticsTrends& m_trends;
    std::vector<TrendRow> m_rows;
    std::int64_t m_span = kDefaultSpan;
    std::int64_t m_now = 0;
    std::vector<Line> m_lines;
    std::string m_note;
};
