#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "GatewayMessages.h"
#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "views/LogRow.h"
#include "views/VersionCheck.h"

namespace {

// The message as the session hands it over: in a zero-filled 1024-byte buffer.
std::vector<unsigned char> Buffered(const gateway::Bytes& bytes) {
    std::vector<unsigned char> buffer(1024, 0);
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    return buffer;
}

struct Cells {
    std::string user, message, reason;
};

Cells Decode(const gateway::Bytes& bytes, int market) {
    const LogRow row = DecodeLogMessage(Buffered(bytes).data(), market);
    return {UserIdText(row), MessageText(row), ReasonValueText(row)};
}

class UserIdFlags : public ::testing::Test {
protected:
    void SetUp() override { FO_USERID_INCREASE_FLAG = IPO_USERID_INCREASE_FLAG = SLBM_USERID_INCREASE_FLAG = 0; }
    void TearDown() override { SetUp(); }
};

using LogRowTest = UserIdFlags;
using VersionCheckTest = UserIdFlags;

TEST_F(LogRowTest, UserIdCellsInTheShortLayout) {
    EXPECT_EQ(Decode(gateway::LogMessage(false, 0, 0, 11018, 3), WDM).user, "NEW");
    EXPECT_EQ(Decode(gateway::LogMessage(false, 0, -1, 11018, 3), WDM).user, "");
    EXPECT_EQ(Decode(gateway::LogMessage(false, 0, static_cast<std::int16_t>(0x8000), 11018, 3), WDM).user,
              "-32768");
    EXPECT_EQ(Decode(gateway::LogMessage(false, 0, 1234, 11018, 3), MF).user, "1234");
}

TEST_F(LogRowTest, CmAlwaysReadsTheLongLayout) {
    const Cells cells = Decode(gateway::LogMessage(true, 0, 70000, 12010, 42), CM);
    EXPECT_EQ(cells.user, "70000");
    EXPECT_EQ(cells.message, "QEL successfully logged on to the trading host");
    EXPECT_EQ(cells.reason, "42");
    EXPECT_EQ(Decode(gateway::LogMessage(true, 0, -1, 12010, 42), CM).user, "");
}

TEST_F(LogRowTest, FoSwitchesLayoutWithItsFlag) {
    const auto wide = gateway::LogMessage(true, 0, 70000, 11009, 5);
    const auto narrow = gateway::LogMessage(false, 0, 700, 11009, 5);
    EXPECT_EQ(Decode(narrow, FO).user, "700");
    FO_USERID_INCREASE_FLAG = 1;
    EXPECT_EQ(Decode(wide, FO).user, "70000");
    EXPECT_EQ(Decode(wide, FO).message, "User has disconnected. ");
    EXPECT_EQ(Decode(narrow, WDM).user, "700");  // other markets keep the short layout
}

TEST_F(LogRowTest, ReasonCellsAndFallbackText) {
    EXPECT_EQ(Decode(gateway::LogMessage(false, 0, 5, 12014, -1), WDM).message,
              "No description for reason code [12014]");
    EXPECT_EQ(Decode(gateway::LogMessage(false, 0, 5, 12014, -1), WDM).reason, "");
    EXPECT_EQ(Decode(gateway::LogMessage(false, 0, 5, 9, 0), WDM).reason, "0");
    EXPECT_EQ(GetReasonDescription(11011),
              "Disconnected the user as contents of the \"message length\" field of the received message are invalid");
    EXPECT_EQ(GetReasonDescription(13002),
              "Communication queue size inside QEL is reduced to normal. System is now in normal condition");
}

TEST_F(LogRowTest, AShortMessageReadsMissingBytesAsZero) {
    gateway::Bytes bytes = gateway::LogMessage(false, 1700000000, 55, 11018, 9);
    bytes.resize(32);
    const Cells cells = Decode(bytes, WDM);
    EXPECT_EQ(cells.user, "NEW");
    EXPECT_EQ(cells.message, "No description for reason code [0]");
    EXPECT_EQ(cells.reason, "0");
}

TEST_F(LogRowTest, TimeIsLocalWithEnglishNames) {
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(FormatEventTime(0), "Thursday, January 01, 1970, 00:00:00");
    EXPECT_EQ(FormatEventTime(1772460309), "Monday, March 02, 2026, 14:05:09");
    setenv("TZ", "IST-5:30", 1);  // POSIX form: needs no zone database
    tzset();
    EXPECT_EQ(FormatEventTime(1772460309), "Monday, March 02, 2026, 19:35:09");
    unsetenv("TZ");
    tzset();
}

TEST_F(VersionCheckTest, VerdictsAndFlags) {
    const char* line = nullptr;
    EXPECT_TRUE(CheckVersion(FO, 40902, RequiredVersion(FO), &line));
    EXPECT_STREQ(line, "FO_USERID_INCREASE_FLAG = TRUE");
    EXPECT_EQ(FO_USERID_INCREASE_FLAG, 1);
    EXPECT_TRUE(CheckVersion(FO, 40802, RequiredVersion(FO), &line));
    EXPECT_STREQ(line, "FO_USERID_INCREASE_FLAG = FALSE");
    EXPECT_EQ(FO_USERID_INCREASE_FLAG, 0);
    EXPECT_TRUE(CheckVersion(SLBM, 30906, RequiredVersion(SLBM), &line));
    EXPECT_STREQ(line, "SLBM_USERID_INCREASE_FLAG = FALSE");
    EXPECT_FALSE(CheckVersion(CM, 10202, RequiredVersion(CM), &line));
    EXPECT_EQ(line, nullptr);
    EXPECT_FALSE(CheckVersion(CM, 10001, RequiredVersion(CM), &line));
    EXPECT_TRUE(CheckVersion(CM, 10101, RequiredVersion(CM), &line));
    // The flag follows the release even when the version is refused.
    EXPECT_FALSE(CheckVersion(IPO, 31203, RequiredVersion(IPO), &line));
    EXPECT_STREQ(line, "IPO_USERID_INCREASE_FLAG = TRUE");
    EXPECT_EQ(IPO_USERID_INCREASE_FLAG, 1);
}

}  // namespace
