#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "views/ListSort.h"

namespace {

using Texts = std::vector<std::string>;

// The exchange sort as the list has always done it, one comparison and exchange at a time,
// on the rows themselves: which row goes where, ties included.
std::vector<int> ExchangeSorted(const Texts& texts, int direction, int type) {
    std::vector<int> rows(texts.size());
    std::iota(rows.begin(), rows.end(), 0);
    long a = 0, b = 0;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            const char* left = texts[rows[i]].c_str();
            const char* right = texts[rows[j]].c_str();
            int result = std::strcmp(left, right);
            if (type == kSortAsNumber) {
                std::sscanf(left, "%ld", &a);
                std::sscanf(right, "%ld", &b);
                result = a < b ? -1 : (a > b ? 1 : 0);
            }
            if (direction == kAscending ? result > 0 : result < 0) {
                std::swap(rows[i], rows[j]);
            }
        }
    }
    return rows;
}

}  // namespace

// Random columns of numbers (some with text after them, some with none), and of texts with
// many equal ones: every row lands where the exchange sort puts it, equal rows included.
TEST(ListSortTest, TheOrderIsTheExchangeSortsOnAnyColumn) {
    std::mt19937 random(20261206);
    const char* words[] = {"Logged on.", "Logged Off.", "Logon in progress.", "", "x", "10a"};
    for (int round = 0; round < 200; ++round) {
        const bool numbers = round % 2 == 0;
        Texts texts(1 + random() % 60);
        for (std::string& text : texts) {
            text = numbers && random() % 8 != 0
                       ? std::to_string(static_cast<int>(random() % 40) - 5)
                       : words[random() % std::size(words)];
        }
        const int direction = random() % 2 ? kAscending : kDescending;
        const int type = numbers ? kSortAsNumber : kSortAsText;
        ASSERT_EQ(ExchangeSortOrder(texts, direction, type), ExchangeSorted(texts, direction, type))
            << round;
    }
}
