#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "views/ListSort.h"

namespace {

using Texts = std::vector<std::string>;

// The exchange sort as the list has always done it, one comparison and exchange at a time,
// on the rows themselves: which row goes where, ties included. A text's number is read once:
// a text that starts with no number leaves that side's number as the last comparison left it.
std::vector<int> ExchangeSorted(const Texts& texts, int direction, int type) {
    std::vector<long> numbers(texts.size());
    std::vector<char> read(texts.size());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        read[k] = std::sscanf(texts[k].c_str(), "%ld", &numbers[k]) == 1;
    }
    std::vector<int> rows(texts.size());
    std::iota(rows.begin(), rows.end(), 0);
    long a = 0, b = 0;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            int result = std::strcmp(texts[rows[i]].c_str(), texts[rows[j]].c_str());
            if (type == kSortAsNumber) {
                a = read[rows[i]] ? numbers[rows[i]] : a;
                b = read[rows[j]] ? numbers[rows[j]] : b;
                result = a < b ? -1 : (a > b ? 1 : 0);
            }
            if (direction == kAscending ? result > 0 : result < 0) {
                std::swap(rows[i], rows[j]);
            }
        }
    }
    return rows;
}

Texts InOrder(const Texts& texts, const std::vector<int>& order) {
    Texts sorted;
    for (int row : order) {
        sorted.push_back(texts[static_cast<std::size_t>(row)]);
    }
    return sorted;
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

// A long column of `rows` texts: branch IDs with many equal ones, four login states, user IDs
// with unreadable ones, or one branch for most users with a few others in falling pairs far
// apart, so that a pass takes both keys of a pair, the second right after the first.
Texts LongColumn(int column, std::size_t rows, std::mt19937& random) {
    const char* states[] = {"Logged on.", "Logged Off.", "Logon in progress.",
                            "Logoff in progress."};
    Texts texts(rows);
    for (std::size_t k = 0; k < rows; ++k) {
        if (column == 0) {
            texts[k] = std::to_string(1 + random() % 300);
        } else if (column == 1) {
            texts[k] = states[random() % 4];
        } else if (column == 2) {
            texts[k] = random() % 10 == 0 ? "-" : std::to_string(100000 + random() % 5000);
        } else {
            texts[k] = k % 100 < 98 ? "900" : std::to_string(500 - k / 100 * 2 - k % 100 % 2);
        }
    }
    return texts;
}

// Long columns, as on a list of a few thousand users, where a pass takes many keys in turn
// far apart: every row lands where the exchange sort puts it, and a column with every number
// readable reads as std::stable_sort orders it.
TEST(ListSortTest, LongColumnsWithEqualAndUnreadableKeysTakeTheExchangeSortsOrder) {
    std::mt19937 random(7);
    for (const std::size_t rows : {65u, 1000u, 3001u}) {
        for (int column = 0; column < 4; ++column) {
            const Texts texts = LongColumn(column, rows, random);
            const int type = column == 1 ? kSortAsText : kSortAsNumber;
            for (const int direction : {kAscending, kDescending}) {
                const std::vector<int> order = ExchangeSortOrder(texts, direction, type);
                ASSERT_EQ(order, ExchangeSorted(texts, direction, type))
                    << rows << " rows, column " << column << ", direction " << direction;
                if (column == 2) {
                    continue;  // unreadable numbers: no one order of the texts
                }
                Texts sorted = texts;
                std::stable_sort(sorted.begin(), sorted.end(), [&](const auto& x, const auto& y) {
                    const bool less = type == kSortAsText ? x < y : std::stol(x) < std::stol(y);
                    const bool greater = type == kSortAsText ? y < x : std::stol(y) < std::stol(x);
                    return direction == kAscending ? less : greater;
                });
                EXPECT_EQ(InOrder(texts, order), sorted) << rows << " rows, column " << column;
            }
        }
    }
}
