#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "log/ActivityLog.h"
#include "log/LogSite.h"
#include "platform/RegistryFile.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

using Names = std::vector<std::string>;

// A log folder `dir` and a settings store kept in a folder of its own.
class ActivityLogTest : public ::testing::Test {
  protected:
    // The settings, naming `logDir` as the log folder (none when it is empty).
    const platform::SettingsStore& Settings(const std::string& logDir) {
        WriteFile(settingsDir_.File("qel_ip.reg"),
                  "Windows Registry Editor Version "
                  "5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\r\n" +
                      (logDir.empty() ? "" : "\"ZEVO_LOG_FILES_PATH\"=\"" + logDir + "\"\r\n"));
        return store_;
    }

    TempDir settingsDir_;
    TempDir dir;
    platform::RegistryFileStore store_{settingsDir_.File("qel_ip.reg")};
};

}  // namespace

TEST_F(ActivityLogTest, WritesEveryLevelInTheDocumentedFormatToAFileNamedForTheStartTime) {
    FakeClock clock(2010, 8, 25, 6, 5, 6, 0);
    ActivityLog log(Settings(dir.path()), clock);
    clock.Set(2010, 8, 25, 6, 5, 7, 45);
    log.LogDetail("before any level", "op", "f.cpp", 1);
    log.LogActivity("Initializing dialog", "CZEVOClientPHASE4Dlg::OnInitDialog",
                    "C:\\ZEVO\\app\\ZEVO Client PHASE 4Dlg.cpp", 591);
    log.LogDetail("Done.", "CZEVOClientPHASE4Dlg::OnInitDialog", "/src/app/MainWindow.cpp", 612);
    log.LogEvent("event", "op", "f.cpp", 2);
    log.LogDetail("under event", "op", "f.cpp", 3);
    log.LogBusinessError("business", "op", "f.cpp", 4);
    log.LogDetail("under business error", "op", "f.cpp", 5);
    log.LogSystemError("system", "op", "f.cpp", 6);
    clock.Set(2026, 12, 31, 23, 59, 59, 999);
    log.LogDetail("a|b\nc\r\r", "op", "f.cpp", 7);  // nothing is escaped; CRs are dropped

    const std::string at = "|Wednesday, August 25, 2010, 6:5:7.45\n";
    EXPECT_EQ(ListDir(dir.path()), Names{"zevo.20100825.060506.current.txt"});
    EXPECT_EQ(log.CurrentFilePath(), dir.File("zevo.20100825.060506.current.txt"));
    EXPECT_EQ(ReadFile(log.CurrentFilePath()),
              "\nLogger object initialized.\n"
              "|before any level|f.cpp|op|1" +
                  at +
                  "ACTIVITY|Initializing dialog|ZEVO Client PHASE "
                  "4Dlg.cpp|CZEVOClientPHASE4Dlg::OnInitDialog|591" +
                  at + "        |Done.|MainWindow.cpp|CZEVOClientPHASE4Dlg::OnInitDialog|612" + at +
                  "EVENT|event|f.cpp|op|2" + at + "     |under event|f.cpp|op|3" + at +
                  "BUSINESS_ERROR|business|f.cpp|op|4" + at +
                  "              |under business error|f.cpp|op|5" + at +
                  "SYSTEM_ERROR|system|f.cpp|op|6" + at +
                  "            |a|b\nc|f.cpp|op|7|Thursday, December 31, 2026, 23:59:59.999\n");
}

TEST_F(ActivityLogTest, StartupRenamesEarlierCurrentFilesUnlessTheNameIsTakenAndKeepsTodays) {
    WriteFile(dir.File("zevo.20100823.101010.current.txt"), "blocked\n");
    WriteFile(dir.File("zevo.20100823.101010.repository.txt"), "repository\n");
    WriteFile(dir.File("zevo.20100824.101010.current.txt"), "yesterday\n");
    WriteFile(dir.File("zevo.20100825.062025.current.txt"), "earlier today\n");
    WriteFile(dir.File("x.current.txt"), "foreign\n");
    WriteFile(dir.File("notes.txt"), "left alone\n");
    FakeClock clock(2010, 8, 25, 9, 0, 0, 0);
    ActivityLog log(Settings(dir.path()), clock);
    log.LogActivity("next", "op", "f.cpp", 1);

    EXPECT_EQ(ListDir(dir.path()),
              (Names{"notes.txt", "x.current.txt.repository.txt",
                     "zevo.20100823.101010.current.txt", "zevo.20100823.101010.repository.txt",
                     "zevo.20100824.101010.repository.txt", "zevo.20100825.062025.current.txt"}));
    EXPECT_EQ(ReadFile(dir.File("zevo.20100823.101010.current.txt")), "blocked\n");
    EXPECT_EQ(ReadFile(dir.File("zevo.20100824.101010.repository.txt")), "yesterday\n");
    EXPECT_EQ(ReadFile(dir.File("zevo.20100825.062025.current.txt")),
              "earlier today\n\nLogger object initialized.\nACTIVITY|next|f.cpp|op|1|Wednesday, "
              "August 25, 2010, 9:0:0.0\n");
}

TEST_F(ActivityLogTest, WithoutAFolderSettingWritesToTheWorkingFolderAndRollsOverOnTheNextCycle) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    FakeClock clock(2010, 8, 25, 23, 59, 58, 0);
    ActivityLog log(Settings(""), clock);
    log.LogActivity("late", "op", "f.cpp", 1);
    EXPECT_EQ(log.Directory(), ".");
    log.RollOverIfNewDay();  // same day: nothing happens
    EXPECT_EQ(ListDir(dir.path()), Names{"zevo.20100825.235958.current.txt"});

    clock.Set(2010, 8, 26, 0, 0, 1, 500);
    log.RollOverIfNewDay();
    EXPECT_EQ(ListDir(dir.path()), Names{"zevo.20100825.235958.repository.txt"});
    log.LogActivity("early", "op", "f.cpp", 2);
    EXPECT_EQ(log.CurrentFilePath(), "./zevo.20100826.000001.current.txt");
    EXPECT_EQ(ReadFile(dir.File("zevo.20100826.000001.current.txt")),
              "ACTIVITY|early|f.cpp|op|2|Thursday, August 26, 2010, 0:0:1.500\n");
    ASSERT_EQ(chdir(previous), 0);
}

TEST_F(ActivityLogTest, SaysOnceThatItCannotOpenAndRetriesAtMostOnceASecond) {
    const std::string logDir = dir.File("later");
    FakeClock clock(2010, 8, 25, 6, 20, 25, 0);
    testing::internal::CaptureStderr();
    ActivityLog log(Settings(logDir), clock);
    log.LogActivity("lost", "op", "f.cpp", 1);
    ASSERT_EQ(mkdir(logDir.c_str(), 0755), 0);
    log.LogActivity("lost in the same second", "op", "f.cpp", 2);
    clock.Set(2010, 8, 25, 6, 20, 26, 0);
    log.LogActivity("kept", "op", "f.cpp", 3);
    const std::string path = logDir + "/zevo.20100825.062025.current.txt";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zevo: cannot open the activity log " + path +
                  ": No such file or directory; its lines are lost\n"
                  "zevo: the activity log " +
                  path + " is written again\n");
    EXPECT_EQ(ReadFile(path), "ACTIVITY|kept|f.cpp|op|3|Wednesday, August 25, 2010, 6:20:26.0\n");
}

TEST_F(ActivityLogTest, OverlongLineIsCutToTheLineBufferAndKeepsItsLineFeed) {
    FakeClock clock(2010, 8, 25, 6, 20, 25, 0);
    ActivityLog log(Settings(dir.path()), clock);
    log.LogActivity(std::string(6000, 'm').c_str(), "op", "f.cpp", 1);
    log.LogActivity("after", "op", "f.cpp", 2);
    auto lines = ReadLines(log.CurrentFilePath());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "ACTIVITY|" + std::string(4998 - 9, 'm'));
    EXPECT_EQ(WithoutLineAndTime(lines[3]), "ACTIVITY|after|f.cpp|op");
}

TEST_F(ActivityLogTest, ThreeThreadsAcrossARolloverLoseAndInterleaveNoLine) {
    FakeClock clock(2010, 8, 25, 23, 59, 59, 0);
    ActivityLog log(Settings(dir.path()), clock);
    constexpr int kLines = 100000;
    std::vector<std::thread> writers;
    for (int t = 0; t < 3; ++t) {
        writers.emplace_back([&log, &clock, t] {
            for (int i = 0; i < kLines; ++i) {
                if (t == 0 && i == kLines / 2) {
                    clock.Set(2010, 8, 26, 0, 0, 0, 0);
                    log.RollOverIfNewDay();
                }
                log.LogActivity(("t" + std::to_string(t) + " " + std::to_string(i)).c_str(),
                                "::writer", "w.cpp", t);
            }
        });
    }
    for (auto& w : writers) {
        w.join();
    }
    const Names names = ListDir(dir.path());
    ASSERT_EQ(names,
              (Names{"zevo.20100825.235959.repository.txt", "zevo.20100826.000000.current.txt"}));
    int next[3] = {0, 0, 0};
    for (const auto& name : names) {
        for (const std::string& line : ReadLines(dir.File(name))) {
            if (line.empty() || line == "Logger object initialized.") {
                continue;
            }
            int t = -1, i = -1, source = -1;
            char tail[128];
            ASSERT_EQ(sscanf(line.c_str(), "ACTIVITY|t%d %d|w.cpp|::writer|%d|%127[^\n]", &t, &i,
                             &source, tail),
                      4)
                << line;
            ASSERT_EQ(t, source) << line;
            ASSERT_EQ(i, next[t]++) << line;
        }
    }
    EXPECT_EQ(std::vector<int>(next, next + 3), std::vector<int>(3, kLines));
}

// A line the window and zevo-cli both write names the window's source file: each shared
// site still names a file that writes its class's lines (defines its operations, or logs
// under its name), so renaming that file cannot split the two programs' lines.
TEST(LogSites, EachNamesTheSourceFileOfItsClass) {
    namespace fs = std::filesystem;
    for (const LogSite* site : log_sites::All()) {
        std::string found;
        for (const auto& entry : fs::recursive_directory_iterator(ZEVO_SOURCE_DIR "/src")) {
            if (entry.path().filename() == site->file) {
                found = entry.path();
            }
        }
        ASSERT_FALSE(found.empty()) << site->file;
        std::ifstream source(found);
        const std::string text((std::istreambuf_iterator<char>(source)),
                               std::istreambuf_iterator<char>());
        EXPECT_TRUE(text.find(site->owner + "::") != std::string::npos ||
                    text.find('"' + site->owner + '"') != std::string::npos)
            << site->file;
    }
}
