#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "GatewayMessages.h"
#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "views/LogRow.h"
#include "views/VersionCheck.h"

namespace {

using gateway::LogMessage;

// The "User ID", "Message" and "Reason" cells of a message as the session hands it over: in
// a zero-filled 1024-byte buffer.
std::string Cells(const gateway::Bytes& bytes, int market) {
    std::vector<unsigned char> buffer(1024, 0);
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    const LogRow row = DecodeLogMessage(buffer.data(), market);
    return UserIdText(row) + " / " + MessageText(row) + " / " + ReasonValueText(row);
}

class UserIdFlags : public ::testing::Test {
  protected:
    void SetUp() override {
        FO_USERID_INCREASE_FLAG = IPO_USERID_INCREASE_FLAG = SLBM_USERID_INCREASE_FLAG = 0;
    }
    void TearDown() override { SetUp(); }
};

using LogRowTest = UserIdFlags;
using VersionCheckTest = UserIdFlags;

TEST_F(LogRowTest, CellsInEachMarketsLayout) {
    const std::string logon = "The user successfully logged on to the trading host";
    const std::string gone = "User has disconnected. ";
    gateway::Bytes shortMessage = LogMessage(false, 1700000000, 55, 11018, 9);
    shortMessage.resize(32);
    const struct {
        gateway::Bytes message;
        int market;
        int foFlag;
        std::string cells;
    } cases[] = {
        // The short layout: 16-bit signed user IDs (0, a new user, and -1, none, are seen on the
        // log page).
        {LogMessage(false, 0, static_cast<std::int16_t>(0x8000), 11018, 3), WDM, 0,
         "-32768 / " + logon + " / 3"},
        {LogMessage(false, 0, 1234, 11018, 3), MF, 0, "1234 / " + logon + " / 3"},
        // CM always reads the long layout, FO only with its flag, the others never.
        {LogMessage(true, 0, 70000, 12010, 42), CM, 0,
         "70000 / QEL successfully logged on to the trading host / 42"},
        {LogMessage(true, 0, -1, 12010, 42), CM, 0,
         " / QEL successfully logged on to the trading host / 42"},
        {LogMessage(false, 0, 700, 11009, 5), FO, 0, "700 / " + gone + " / 5"},
        {LogMessage(false, 0, 700, 11009, 5), WDM, 1, "700 / " + gone + " / 5"},
        // A reason without a sentence (one with a value of -1 is seen blank on the log page).
        {LogMessage(false, 0, 5, 9, 0), WDM, 0, "5 / No description for reason code [9] / 0"},
        // A message shorter than its fields reads the missing bytes as zero.
        {shortMessage, WDM, 0, "NEW / No description for reason code [0] / 0"},
    };
    for (const auto& c : cases) {
        FO_USERID_INCREASE_FLAG = c.foFlag;
        EXPECT_EQ(Cells(c.message, c.market), c.cells)
            << "market " << c.market << ", FO flag " << c.foFlag;
    }
    EXPECT_EQ(GetReasonDescription(13002),
              "Communication queue size inside QEL is reduced to normal. System is now in normal "
              "condition");
}

// Run with TZ=IST-5:30 (the test's environment; POSIX form, needs no zone database).
TEST_F(LogRowTest, TimeIsLocalWithEnglishNames) {
    EXPECT_EQ(FormatEventTime(0), "Thursday, January 01, 1970, 05:30:00");
    EXPECT_EQ(FormatEventTime(1772460309), "Monday, March 02, 2026, 19:35:09");
}

TEST_F(VersionCheckTest, VerdictsAndFlags) {
    const char* line = nullptr;
    FO_USERID_INCREASE_FLAG = 1;  // as release 409 sets it (seen on the log page)
    EXPECT_TRUE(CheckVersion(FO, 40802, RequiredVersion(FO), &line));
    EXPECT_STREQ(line, "FO_USERID_INCREASE_FLAG = FALSE");
    EXPECT_EQ(FO_USERID_INCREASE_FLAG, 0);
    EXPECT_TRUE(CheckVersion(SLBM, 30906, RequiredVersion(SLBM), &line));
    EXPECT_STREQ(line, "SLBM_USERID_INCREASE_FLAG = FALSE");
    EXPECT_FALSE(CheckVersion(CM, 10001, RequiredVersion(CM), &line));  // an earlier release
    EXPECT_TRUE(CheckVersion(CM, 10101, RequiredVersion(CM), &line));
    // The flag follows the release even when the version is refused.
    EXPECT_FALSE(CheckVersion(IPO, 31203, RequiredVersion(IPO), &line));
    EXPECT_STREQ(line, "IPO_USERID_INCREASE_FLAG = TRUE");
    EXPECT_EQ(IPO_USERID_INCREASE_FLAG, 1);
}

}  // namespace
