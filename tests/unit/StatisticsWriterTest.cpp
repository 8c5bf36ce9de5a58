#include "StatisticsWriter.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/TestSupport.h"

using namespace testing_support;

TEST(StatisticsWriter, WritesACommonFileAndOnePerMarketWithChangingValues) {
    TempDir dir;
    StatisticsWriter writer(dir.path(), {2, 6});
    ASSERT_TRUE(writer.WriteAll(1'800'000'000));
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"common.stat", "fo.stat", "slbm.stat"}));
    auto first = ReadLines(dir.File("fo.stat"));
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[0], "2,Orders,200,count,1800000000|");
    EXPECT_EQ(first[5], "2,Host Heartbeat,1,,1799999400|");
    for (const auto& line : ReadLines(dir.File("common.stat"))) {
        int type = 0;
        char parameter[64], value[64], unit[64];
        unsigned long stamp = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%63[^,],%63[^,],%63[^,],%lu|", &type, parameter,
                              value, unit, &stamp), 5) << line;
        EXPECT_EQ(type, 100);
        EXPECT_EQ(stamp, 1'800'000'000ul);
    }
    ASSERT_TRUE(writer.WriteAll(1'800'000'001));
    EXPECT_EQ(ReadLines(dir.File("fo.stat"))[0], "2,Orders,209,count,1800000001|");
}
