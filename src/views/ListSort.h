#pragma once

#include <string>

// A list whose rows can be compared by the text of one column and exchanged whole.
class SortableRows {
  public:
    virtual ~SortableRows() = default;
    virtual int RowCount() const = 0;
    virtual std::string Text(int row, int column) const = 0;
    virtual void SwapRows(int first, int second) = 0;
};

enum SortDirection { kAscending = 1, kDescending = 2 };
enum SortType { kSortAsText = 1, kSortAsNumber = 2 };

// Exchange sort over the rows as they stand. Text compares byte-wise; number reads each text
// as a signed decimal, and a text that starts with no number keeps that side's number from
// the previous comparison (0 at the start of the sort).
void SortListByColumn(SortableRows& rows, int column, int direction, int type);
