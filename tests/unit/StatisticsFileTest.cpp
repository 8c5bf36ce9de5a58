#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "views/StatisticsFile.h"

using namespace testing_support;

namespace {

std::string Show(const StatisticsRecord& r) {
    return std::to_string(r.marketType) + "|" + r.parameter + "|" + r.value + "|" + r.unit + "|" +
           std::to_string(r.timestamp);
}

TEST(StatisticsFileTest, RecordsEndInBarsAndMissingFieldsReadAsEmpty) {
    std::vector<std::string> shown;
    for (const auto& record :
         ParseStatisticsText("100,Users connected,12,Nos,1700000000|\n2,Orders, 5 ,/s,17|"
                             "1,Trades|100,Users,12,Nos||x,Users,1,2,3|7,Q,1,u,99 extra,more|\n")) {
        shown.push_back(Show(record));
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{"100|Users connected|12|Nos|1700000000",
                                        "2|Orders| 5 |/s|17",  // blanks are kept
                                        "1|Trades|||0", "100|Users|12|Nos|0", "0||||0", "0||||0",
                                        "7|Q|1|u|99",  // anything after the fifth field is ignored
                                        "0||||0"}));   // the trailing new-line reaches no page
}

TEST(StatisticsFileTest, BoundsOnLongFields) {
    // A first field longer than nine characters never names a page.
    EXPECT_NE(ParseStatisticsRecord("0000000100,P,1,u,1").marketType, 100);
    const std::string longValue(3000, 'v');
    const auto record = ParseStatisticsRecord("100,P," + longValue + ",u,1");
    EXPECT_EQ(record.value.size(), kMaxStatisticsRecord - 6);
}

TEST(StatisticsFileTest, UnreadableFilesAreSkipped) {
    TempDir dir;
    std::string text;
    WriteFile(dir.File("good"), "100,A,1,u,5|");
    EXPECT_TRUE(ReadStatisticsFile(dir.File("good"), 12, &text));
    EXPECT_EQ(text, "100,A,1,u,5|");
    // A file shorter than its listed size (it shrank after the listing); one with a NUL byte is
    // skipped on the main window's statistics pages.
    EXPECT_FALSE(ReadStatisticsFile(dir.File("good"), 20, &text));
    EXPECT_FALSE(ReadStatisticsFile(dir.File("gone"), 5, &text));
}

}  // namespace
