#pragma once

#include <cstdint>
#include <vector>

// The rows selected in a log list, as ranges of the rows shown (row 0 is the newest): a
// selection of ten million rows is one range, so selecting, moving and testing a row cost the
// same at any size. Rows that arrive on top move every range down by as many rows.
class LogSelection {
  public:
    struct Range {
        int first;
        int last;  // inclusive
        bool operator==(const Range&) const = default;
    };

    bool Empty() const { return m_ranges.empty(); }
    // Rows selected, summed over the ranges.
    std::int64_t Count() const;
    // Sorted, apart and not touching.
    const std::vector<Range>& Ranges() const { return m_ranges; }
    bool Contains(int row) const;

    void Clear() { m_ranges.clear(); }
    // The rows from `a` to `b` (either order) alone.
    void Set(int a, int b);
    // The rows from `a` to `b` as well.
    void Add(int a, int b);
    // The row in or out.
    void Toggle(int row);
    // `count` rows arrived on top.
    void Shift(int count);
    // Only rows below `rows` stay (the list got shorter).
    void Limit(int rows);

  private:
    void Remove(int row);
    std::vector<Range> m_ranges;
};
