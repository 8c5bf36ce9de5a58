// Each gateway's day as the console keeps it in its cache folder: the changes in order, a
// state said once, the morning still there for a console started at noon, a new date
// starting afresh and files older than a week gone.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/GatewayDay.h"
#include "core/MarketType.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr std::int64_t kNine = 1765098000;  // 09:00 UTC on 7 December 2025

std::string Said(const GatewayDay& day) {
    std::string text;
    for (const GatewayDay::Change& change : day.Changes()) {
        text += std::to_string(change.time - kNine) + " " +
                (change.market ? MarketName(change.market) : "-") + " " +
                GatewayDay::WhatText(change.what) + "\n";
    }
    return text;
}

TEST(GatewayDay, AConsoleStartedAtNoonStillShowsTheMorning) {
    TempDir dir;
    const std::string folder = dir.File("cache");
    {
        GatewayDay morning(folder, "20251207");
        morning.Record(0, GatewayDay::kWatchStarted, kNine, "20251207");
        morning.Record(FO, GatewayDay::kRunning, kNine + 1, "20251207");
        morning.Record(FO, GatewayDay::kRunning, kNine + 5, "20251207");  // said once
        morning.Record(FO, GatewayDay::kConnected, kNine + 2, "20251207");
        morning.Record(FO, GatewayDay::kStopped, kNine + 600, "20251207");
        morning.Record(0, GatewayDay::kWatchEnded, kNine + 700, "20251207");
    }
    GatewayDay noon(folder, "20251207");
    noon.Record(0, GatewayDay::kWatchStarted, kNine + 3 * 3600, "20251207");
    // After the console's start every state is said again.
    noon.Record(FO, GatewayDay::kStopped, kNine + 3 * 3600 + 1, "20251207");
    EXPECT_EQ(Said(noon),
              "0 - watch-started\n1 FO running\n2 FO connected\n600 FO stopped\n"
              "700 - watch-ended\n10800 - watch-started\n10801 FO stopped\n");
    EXPECT_EQ(ReadFile(folder + "/gateway-day-20251207.txt").substr(0, 27),
              std::to_string(kNine) + " - watch-started\n");
}

TEST(GatewayDay, ANewDateStartsAfreshAndAWeekOldFileGoes) {
    TempDir dir;
    const std::string folder = dir.File("cache");
    std::filesystem::create_directories(folder);
    WriteFile(folder + "/gateway-day-20251129.txt", "1 FO running\n");  // 8 days before
    WriteFile(folder + "/gateway-day-20251130.txt", "1 FO running\n");  // 7 days before: kept
    WriteFile(folder + "/gateway-day-20251207.txt", "garbage\n1765098000 XX running\n");
    GatewayDay day(folder, "20251207");
    EXPECT_EQ(Said(day), "");  // nothing that reads as a change
    EXPECT_FALSE(FileExists(folder + "/gateway-day-20251129.txt"));
    EXPECT_TRUE(FileExists(folder + "/gateway-day-20251130.txt"));
    day.Record(MF, GatewayDay::kRunning, kNine, "20251207");
    day.Record(MF, GatewayDay::kRunning, kNine + 86400, "20251208");
    EXPECT_EQ(Said(day), "86400 MF running\n");
    EXPECT_TRUE(FileExists(folder + "/gateway-day-20251208.txt"));
}

}  // namespace
