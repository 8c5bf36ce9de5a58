#include "views/ListSort.h"

#include <cstdio>
#include <cstring>

namespace {

struct NumberCompare {
    long a = 0;
    long b = 0;
    int operator()(const std::string& left, const std::string& right) {
        std::sscanf(left.c_str(), "%ld", &a);
        std::sscanf(right.c_str(), "%ld", &b);
        return a < b ? -1 : (a > b ? 1 : 0);
    }
};

}  // namespace

void SortListByColumn(SortableRows& rows, int column, int direction, int type) {
    NumberCompare numbers;
    const int count = rows.RowCount();
    for (int i = 0; i + 1 < count; ++i) {
        std::string a = rows.Text(i, column);
        for (int j = i + 1; j < count; ++j) {
            const std::string b = rows.Text(j, column);
            const int result =
                type == kSortAsText ? std::strcmp(a.c_str(), b.c_str()) : numbers(a, b);
            const bool swap =
                direction == kAscending ? result > 0 : (direction == kDescending && result < 0);
            if (swap) {
                rows.SwapRows(i, j);
                a = rows.Text(i, column);
            }
        }
    }
}
