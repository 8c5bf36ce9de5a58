#include "core/InstalledMarkets.h"

#include <gtest/gtest.h>

#include "InstallationLayout.h"
#include "core/CommandIds.h"
#include "log/ActivityLog.h"
#include "platform/RegistryFile.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class RecordingMenu final : public MarketMenu {
public:
    bool HasMenu() const override { return true; }
    void EnableMarketCommand(MarketCommand command, int slot) override {
        enabled.push_back(cmd::MarketCommandId(command, slot));
    }
    void GrayFixPopups() override { ++grayed; }
    std::vector<int> enabled;
    int grayed = 0;
};

// Reads a settings file through the two start-up operations and keeps what they logged.
class MarketScan : public ::testing::Test {
protected:
    void Scan(const std::string& registryText) {
        WriteFile(dir_.File("qel_ip.reg"), registryText);
        platform::RegistryFileStore store(dir_.File("qel_ip.reg"));
        // A fresh log folder per scan, so each scan reads only its own lines.
        logDir_ = std::make_unique<TempDir>();
        WriteFile(logDir_->File("log.reg"), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\n"
                                            "\"ZEVO_LOG_FILES_PATH\"=\"" + logDir_->path() + "\"\n");
        platform::RegistryFileStore logStore(logDir_->File("log.reg"));
        FakeClock clock(2026, 12, 5, 10, 0, 0, 0);
        ActivityLog log(logStore, clock);
        table_.Clear();
        GetNumberOfMarkets(table_, store, log);
        InitTypesOfMarketsConfigFilePathsAndPorts(table_, store, log, &menu_);
        for (const std::string& line : ReadLines(log.CurrentFilePath())) {
            if (line.find('|') != std::string::npos) {
                lines_.push_back(LevelAndMessage(line));
            }
        }
    }
    static std::string LevelAndMessage(const std::string& line) {
        size_t second = line.find('|', line.find('|') + 1);
        return line.substr(0, second);
    }
    std::vector<int> Types() const {
        std::vector<int> types;
        for (const auto& m : table_.markets) {
            types.push_back(m.type);
        }
        return types;
    }

    TempDir dir_;
    std::unique_ptr<TempDir> logDir_;
    InstalledMarkets table_;
    RecordingMenu menu_;
    std::vector<std::string> lines_;
};

const char* const kHeader =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\r\n"
    "\"REPO_CONFIG_FILE_PATH\"=\"/opt/qel/common.cfg\"\r\n";

std::string MarketKey(int code, bool withConfig = true, bool withFix = false) {
    std::string text = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\" + std::to_string(code) + "]\r\n" +
                       "\"INTERFACE_THREAD_NON_INTERACTIVE_PORT\"=dword:00002710\r\n"
                       "\"INTERFACE_THREAD_INTERACTIVE_PORT\"=dword:00002711\r\n";
    if (withConfig) {
        text += "\"CONFIG_FILE_PATH\"=\"/opt/qel/" + std::to_string(code) + ".cfg\"\r\n";
    }
    if (withFix) {
        text += "\"FIX_CONFIG_FILE_PATH\"=\"/opt/qel/fix" + std::to_string(code) + ".cfg\"\r\n";
    }
    return text;
}

}  // namespace

TEST_F(MarketScan, NoMarketKeyLeavesEverythingGrayed) {
    Scan(kHeader);
    EXPECT_EQ(table_.number_of_markets, 0);
    EXPECT_EQ(Types(), std::vector<int>(7, -1));
    EXPECT_EQ(table_.common_config_file_path, "/opt/qel/common.cfg");
    EXPECT_TRUE(menu_.enabled.empty());
    EXPECT_EQ(menu_.grayed, 1);
    EXPECT_EQ(lines_, (std::vector<std::string>{
                          "|Read common config file path = /opt/qel/common.cfg",
                          "ACTIVITY|Market CM is not installed", "ACTIVITY|Market FO is not installed",
                          "ACTIVITY|Market WDM is not installed", "ACTIVITY|Market IPO is not installed",
                          "ACTIVITY|Market CD is not installed", "ACTIVITY|Market SLBM is not installed",
                          "ACTIVITY|Market MF is not installed"}));
}

TEST_F(MarketScan, OnlyFoWithoutFixIsInstalledAndFixPopupsGray) {
    Scan(std::string(kHeader) + MarketKey(FO));
    EXPECT_EQ(table_.number_of_markets, 1);
    EXPECT_EQ(Types(), (std::vector<int>{-1, 2, -1, -1, -1, -1, -1}));
    EXPECT_EQ(table_.markets[1].interface_thread_non_interactive_port, 10000);
    EXPECT_EQ(table_.markets[1].interface_thread_interactive_port, 10001);
    EXPECT_EQ(table_.markets[1].config_file_path, "/opt/qel/2.cfg");
    EXPECT_EQ(fix_enabled[1], 0);
    EXPECT_EQ(menu_.enabled, (std::vector<int>{32776, 32787}));
    EXPECT_EQ(menu_.grayed, 1);
    std::vector<std::string> fo(lines_.begin() + 2, lines_.begin() + 13);
    EXPECT_EQ(fo, (std::vector<std::string>{
                      "ACTIVITY|Market FO is installed",
                      "        |Read interface_thread_non_interactive_port = 10000",
                      "        |Read interface_thread_interactive_port = 10001",
                      "        |Read QEL config file path = /opt/qel/2.cfg",
                      "SYSTEM_ERROR|Cannot query registry for FIX_CONFIG_FILE_PATH.",
                      "            |Enabling QEL configuraion menu", "            |Enabled.",
                      "            |Enabling Active users menu", "            |Enabled.",
                      "ACTIVITY|Market WDM is not installed",
                      "ACTIVITY|Market IPO is not installed"}));
}

TEST_F(MarketScan, FixEnabledMarketEnablesItsFixCommands) {
    Scan(std::string(kHeader) + MarketKey(CM) + MarketKey(MF, true, true));
    EXPECT_EQ(table_.number_of_markets, 2);
    EXPECT_EQ(fix_enabled[0], 0);
    EXPECT_EQ(fix_enabled[6], 1);
    EXPECT_EQ(table_.markets[6].fix_config_file_path, "/opt/qel/fix7.cfg");
    EXPECT_EQ(menu_.enabled, (std::vector<int>{32775, 32786, 32780, 32790, 32817, 32827}));
    EXPECT_EQ(menu_.grayed, 0);
    auto at = std::find(lines_.begin(), lines_.end(), "ACTIVITY|Market MF is installed");
    ASSERT_NE(at, lines_.end());
    EXPECT_EQ(std::vector<std::string>(at + 4, lines_.end()),
              (std::vector<std::string>{
                  "        |Market MF is FIX enabled",
                  "        |Read FIX config file path = /opt/qel/fix7.cfg",
                  "        |Enabling QEL configuraion menu", "        |Enabled.",
                  "        |Enabling Active users menu", "        |Enabled.",
                  "        |Enabling FIX - User configuraion menu", "        |Enabled.",
                  "        |Enabling FIX configuraion menu", "        |Enabled."}));
}

TEST_F(MarketScan, MissingConfigPathEndsTheWholeScan) {
    Scan(std::string(kHeader) + MarketKey(CM, false) + MarketKey(WDM, true, true));
    EXPECT_EQ(table_.number_of_markets, 1);
    EXPECT_EQ(Types(), (std::vector<int>{1, -1, -1, -1, -1, -1, -1}));
    EXPECT_TRUE(menu_.enabled.empty());
    EXPECT_EQ(menu_.grayed, 0);
    EXPECT_EQ(lines_.back(), "SYSTEM_ERROR|Cannot query registry for CONFIG_FILE_PATH.");
    EXPECT_EQ(std::count(lines_.begin(), lines_.end(), "ACTIVITY|Market WDM is installed"), 0);
    EXPECT_EQ(std::count(lines_.begin(), lines_.end(), "ACTIVITY|Market FO is not installed"), 0);
}

TEST_F(MarketScan, OverlongPathAndTextPortCountAsMissing) {
    Scan(std::string(kHeader) + MarketKey(CM, false) + "\"CONFIG_FILE_PATH\"=\"" +
         std::string(1024, 'p') + "\"\r\n");
    EXPECT_EQ(lines_.back(), "SYSTEM_ERROR|Cannot query registry for CONFIG_FILE_PATH.");
    lines_.clear();
    Scan(std::string(kHeader) +
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\4]\r\n"
         "\"INTERFACE_THREAD_NON_INTERACTIVE_PORT\"=\"10000\"\r\n");
    EXPECT_EQ(table_.markets[3].type, IPO);
    EXPECT_EQ(table_.markets[3].interface_thread_non_interactive_port, 0);
    EXPECT_EQ(lines_.back(),
              "SYSTEM_ERROR|Cannot query registry for INTERFACE_THREAD_NON_INTERACTIVE_PORT.");
}

TEST_F(MarketScan, MissingBaseKeyOrCommonPathIsLogged) {
    Scan("Windows Registry Editor Version 5.00\r\n");
    EXPECT_EQ(lines_.front(), "SYSTEM_ERROR|Cannot open registry for SOFTWARE\\QEL_IP.");
    EXPECT_EQ(table_.common_config_file_path, "");
    lines_.clear();
    Scan("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\r\n\"OTHER\"=\"x\"\r\n");
    EXPECT_EQ(lines_.front(), "SYSTEM_ERROR|Cannot query registry. Error = 2.");
}

TEST_F(MarketScan, ReadsALaidOutInstallation) {
    InstallationLayout layout;
    layout.root = dir_.File("qel");
    layout.markets = {CM, FO, SLBM};
    layout.fixMarkets = {FO};
    layout.basePort = 31000;
    ASSERT_TRUE(layout.Write());
    Scan(ReadFile(layout.RegistryPath()));
    EXPECT_EQ(table_.number_of_markets, 3);
    EXPECT_EQ(Types(), (std::vector<int>{1, 2, -1, -1, -1, 6, -1}));
    EXPECT_EQ(table_.markets[5].interface_thread_non_interactive_port, 31010);
    EXPECT_EQ(table_.markets[5].interface_thread_interactive_port, 31011);
    EXPECT_EQ(table_.markets[1].fix_config_file_path, layout.FixConfigPath(FO));
    EXPECT_EQ(table_.common_config_file_path, layout.CommonConfigPath());
    EXPECT_TRUE(FileExists(layout.ConfigPath(SLBM)));
    EXPECT_TRUE(FileExists(layout.FixConfigPath(FO)));
    EXPECT_FALSE(FileExists(layout.FixConfigPath(CM)));
}
