#include <gtest/gtest.h>

#include <vector>

#include "views/ListSort.h"
#include "views/VerticalScroll.h"

namespace {

using Texts = std::vector<std::string>;

struct Table final : SortableRows {
    std::vector<Texts> rows;
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string Text(int row, int column) const override { return rows[row][column]; }
    void SwapRows(int a, int b) override { std::swap(rows[a], rows[b]); }
    Texts Column(int c) const {
        Texts out;
        for (const auto& row : rows) {
            out.push_back(row[c]);
        }
        return out;
    }
};

TEST(ListSortTest, SortsByNumberOrTextInBothDirections) {
    Table table;
    table.rows = {{"6", "Logged on."}, {"10", "Logged Off."}, {"9", "Logon in progress."}};
    SortListByColumn(table, 0, kAscending, kSortAsNumber);
    EXPECT_EQ(table.Column(0), (Texts{"6", "9", "10"}));
    EXPECT_EQ(table.Column(1), (Texts{"Logged on.", "Logon in progress.", "Logged Off."}));
    SortListByColumn(table, 0, kDescending, kSortAsNumber);
    EXPECT_EQ(table.Column(0), (Texts{"10", "9", "6"}));
    SortListByColumn(table, 1, kAscending, kSortAsText);
    EXPECT_EQ(table.Column(1), (Texts{"Logged Off.", "Logged on.", "Logon in progress."}));
}

// The steps themselves (5 and 50 for a range of 500) are checked on the main window.
TEST(VerticalScrollTest, MovesStopAtBothEndsAndAResizeStartsAtTheTop) {
    VerticalScroll scroll;
    scroll.Resize(800, 300);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kLineUp), 0);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kLineDown), 5);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kThumbPosition, 480), 475);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kPageDown), 20);  // never past the range
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kLineDown), 0);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kOther), 0);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kPageUp), -50);
    EXPECT_EQ(scroll.Position(), 450);
    scroll.Resize(800, 900);
    EXPECT_EQ(scroll.Position(), 0);
}

}  // namespace
