#include "views/StatisticsTrendModel.h"

#include "views/StatisticsTrends.h"

namespace {

std::string Quoted(const std::string& unit) {
    return "\"" + unit + "\"";
}

}  // namespace

void StatisticsTrendModel::Refresh(std::int64_t now) {
    m_now = now;
    m_lines.clear();
    m_note.clear();
    if (m_rows.empty()) {
        m_note = "Select a row to see its trend";
        return;
    }
    std::size_t notes = 0;
    std::size_t left = 0;
    for (const TrendRow& row : m_rows) {
        const std::string why = WhyNotDrawn(row);
        if (why.empty() && m_lines.size() < kMostLines) {
            const TrendSeries* series = m_trends.Series(row.row);
            m_lines.push_back({row.row, row.parameter, row.unit,
                               SliceHistory(series->History(now), From(), To())});
        } else if (!why.empty() && notes < kMostNotes) {
            AddNote(why);
            ++notes;
        } else {
            ++left;
        }
    }
    if (left > 0) {
        AddNote(std::to_string(left) +
                (left == 1 ? " more selected row is" : " more selected rows are") + " not drawn");
    }
}

// Empty when the row can be drawn with the lines before it.
std::string StatisticsTrendModel::WhyNotDrawn(const TrendRow& row) const {
    const TrendSeries* series = m_trends.Series(row.row);
    if (!series || series->Empty()) {
        return row.parameter + (row.value.empty() ? " has no fresh figure: no chart"
                                                  : " is not a number: no chart");
    }
    if (!m_lines.empty() && m_lines.front().unit != row.unit) {
        return row.parameter + " is not drawn: its unit " + Quoted(row.unit) + " differs from " +
               Quoted(m_lines.front().unit) + " of " + m_lines.front().parameter;
    }
    return {};
}

void StatisticsTrendModel::AddNote(const std::string& line) {
    m_note += (m_note.empty() ? "" : "\n") + line;
}

TrendHistory StatisticsTrendModel::Range(std::size_t index, std::int64_t from,
                                         std::int64_t to) const {
    const TrendSeries* series =
        index < m_lines.size() ? m_trends.Series(m_lines[index].row) : nullptr;
    return series ? SliceHistory(series->History(m_now), from, to) : TrendHistory{};
}
