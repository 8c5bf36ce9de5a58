#pragma once

#include <string>
#include <vector>

// A list whose rows can be read by the text of one column and put in a new order whole.
class SortableRows {
  public:
    virtual ~SortableRows() = default;
    virtual int RowCount() const = 0;
    virtual std::string Text(int row, int column) const = 0;
    // Row p takes every text that row order[p] held. Called at most once per sort.
    virtual void Arrange(const std::vector<int>& order) = 0;
};

enum SortDirection { kAscending = 1, kDescending = 2 };
enum SortType { kSortAsText = 1, kSortAsNumber = 2 };

// The order the list's exchange sort gives `texts`, as the rows' old indices in their new
// places. The exchange sort walks the rows as they stand, comparing row i with every later
// row j and exchanging the two whenever they are out of order. Text compares byte-wise;
// number reads each text as a signed decimal, and a text that starts with no number keeps
// that side's number from the previous comparison (0 at the start of the sort). The same
// order is computed on the texts' keys alone, so it costs no widget work.
std::vector<int> ExchangeSortOrder(const std::vector<std::string>& texts, int direction, int type);

// Sorts the rows by one column in that order, writing them back once.
void SortListByColumn(SortableRows& rows, int column, int direction, int type);
