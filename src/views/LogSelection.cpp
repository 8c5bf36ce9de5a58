#include "views/LogSelection.h"

#include <algorithm>

std::int64_t LogSelection::Count() const {
    std::int64_t count = 0;
    for (const Range& range : m_ranges) {
        count += static_cast<std::int64_t>(range.last) - range.first + 1;
    }
    return count;
}

bool LogSelection::Contains(int row) const {
    // The first range that ends at or after the row.
    const auto at = std::lower_bound(m_ranges.begin(), m_ranges.end(), row,
                                     [](const Range& range, int r) { return range.last < r; });
    return at != m_ranges.end() && at->first <= row;
}

void LogSelection::Set(int a, int b) {
    m_ranges = {{std::min(a, b), std::max(a, b)}};
}

void LogSelection::Add(int a, int b) {
    Range added{std::min(a, b), std::max(a, b)};
    std::vector<Range> merged;
    merged.reserve(m_ranges.size() + 1);
    bool placed = false;
    for (const Range& range : m_ranges) {
        if (range.last + 1 < added.first) {
            merged.push_back(range);  // wholly before, not touching
        } else if (added.last + 1 < range.first) {
            if (!placed) {
                merged.push_back(added);
                placed = true;
            }
            merged.push_back(range);
        } else {
            added = {std::min(added.first, range.first), std::max(added.last, range.last)};
        }
    }
    if (!placed) {
        merged.push_back(added);
    }
    m_ranges = std::move(merged);
}

void LogSelection::Remove(int row) {
    const auto at = std::lower_bound(m_ranges.begin(), m_ranges.end(), row,
                                     [](const Range& range, int r) { return range.last < r; });
    if (at == m_ranges.end() || at->first > row) {
        return;
    }
    const Range range = *at;
    const auto next = m_ranges.erase(at);
    std::vector<Range> parts;
    if (range.first < row) {
        parts.push_back({range.first, row - 1});
    }
    if (row < range.last) {
        parts.push_back({row + 1, range.last});
    }
    m_ranges.insert(next, parts.begin(), parts.end());
}

void LogSelection::Toggle(int row) {
    if (Contains(row)) {
        Remove(row);
    } else {
        Add(row, row);
    }
}

void LogSelection::Shift(int count) {
    for (Range& range : m_ranges) {
        range.first += count;
        range.last += count;
    }
}

void LogSelection::Limit(int rows) {
    while (!m_ranges.empty() && m_ranges.back().first >= rows) {
        m_ranges.pop_back();
    }
    if (!m_ranges.empty()) {
        m_ranges.back().last = std::min(m_ranges.back().last, rows - 1);
    }
}
