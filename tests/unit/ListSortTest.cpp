#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "views/ListSort.h"

namespace {

using Texts = std::vector<std::string>;

struct Table final : SortableRows {
    std::vector<Texts> rows;
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string Text(int row, int column) const override { return rows[row][column]; }
    void Arrange(const std::vector<int>& order) override {
        std::vector<Texts> arranged;
        for (int from : order) {
            arranged.push_back(rows[from]);
        }
        rows = arranged;
    }
    Texts Column(int c) const {
        Texts out;
        for (const auto& row : rows) {
            out.push_back(row[c]);
        }
        return out;
    }
};

// The exchange sort as the list has always done it, one comparison and exchange at a time.
Texts ExchangeSorted(Texts texts, int direction, int type) {
    long a = 0, b = 0;
    for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            int result = std::strcmp(texts[i].c_str(), texts[j].c_str());
            if (type == kSortAsNumber) {
                std::sscanf(texts[i].c_str(), "%ld", &a);
                std::sscanf(texts[j].c_str(), "%ld", &b);
                result = a < b ? -1 : (a > b ? 1 : 0);
            }
            if (direction == kAscending ? result > 0 : result < 0) {
                std::swap(texts[i], texts[j]);
            }
        }
    }
    return texts;
}

}  // namespace

// Random columns of numbers (some with text after them, some with none), and of texts with
// many equal ones: the order is the exchange sort's, ties and unreadable numbers included.
TEST(ListSortTest, TheOrderIsTheExchangeSortsOnAnyColumn) {
    std::mt19937 random(20261206);
    const char* words[] = {"Logged on.", "Logged Off.", "Logon in progress.", "", "x", "10a"};
    for (int round = 0; round < 200; ++round) {
        Table table;
        const int count = 1 + static_cast<int>(random() % 60);
        const bool numbers = round % 2 == 0;
        for (int row = 0; row < count; ++row) {
            const std::string text = numbers && random() % 8 != 0
                                         ? std::to_string(static_cast<int>(random() % 40) - 5)
                                         : words[random() % std::size(words)];
            table.rows.push_back({text, std::to_string(row)});
        }
        const int direction = random() % 2 ? kAscending : kDescending;
        const int type = numbers ? kSortAsNumber : kSortAsText;
        const Texts before = table.Column(0);
        SortListByColumn(table, 0, direction, type);
        ASSERT_EQ(table.Column(0), ExchangeSorted(before, direction, type)) << round;
        for (const Texts& row : table.rows) {  // each row moved whole
            EXPECT_EQ(row[0], before[std::stoul(row[1])]);
        }
    }
}
