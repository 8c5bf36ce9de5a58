#include <gtest/gtest.h>

#include "InstallationLayout.h"
#include "core/CommandIds.h"
#include "core/InstalledMarkets.h"
#include "log/ActivityLog.h"
#include "platform/RegistryFile.h"
#include "support/TestLog.h"

using namespace testing_support;
using Lines = std::vector<std::string>;

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
        TestLog log;
        table_.Clear();
        GetNumberOfMarkets(table_, store, *log.get());
        InitTypesOfMarketsConfigFilePathsAndPorts(table_, store, *log.get(), &menu_);
        lines_ = log.Lines();
    }
    std::vector<int> Types() const {
        std::vector<int> types;
        for (const auto& m : table_.markets) {
            types.push_back(m.type);
        }
        return types;
    }

    TempDir dir_;
    InstalledMarkets table_;
    RecordingMenu menu_;
    Lines lines_;
};

const std::string kHeader =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\r\n"
    "\"REPO_CONFIG_FILE_PATH\"=\"/opt/qel/common.cfg\"\r\n";

std::string MarketKey(int code, bool withConfig = true) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\" + std::to_string(code) + "]\r\n" +
           "\"INTERFACE_THREAD_NON_INTERACTIVE_PORT\"=dword:00002710\r\n"
           "\"INTERFACE_THREAD_INTERACTIVE_PORT\"=dword:00002711\r\n" +
           (withConfig ? "\"CONFIG_FILE_PATH\"=\"/opt/qel/" + std::to_string(code) + ".cfg\"\r\n"
                       : "");
}

}  // namespace

TEST_F(MarketScan, OnlyFoWithoutFixIsInstalledAndFixPopupsGray) {
    Scan(kHeader + MarketKey(FO));
    EXPECT_EQ(menu_.enabled, (std::vector<int>{32776, 32787}));
    EXPECT_EQ(menu_.grayed, 1);
    EXPECT_EQ(lines_,
              (Lines{"|Read common config file path = /opt/qel/common.cfg",
                     "ACTIVITY|Market CM is not installed", "ACTIVITY|Market FO is installed",
                     "        |Read interface_thread_non_interactive_port = 10000",
                     "        |Read interface_thread_interactive_port = 10001",
                     "        |Read QEL config file path = /opt/qel/2.cfg",
                     "SYSTEM_ERROR|Cannot query registry for FIX_CONFIG_FILE_PATH.",
                     "            |Enabling QEL configuraion menu", "            |Enabled.",
                     "            |Enabling Active users menu", "            |Enabled.",
                     "ACTIVITY|Market WDM is not installed", "ACTIVITY|Market IPO is not installed",
                     "ACTIVITY|Market CD is not installed", "ACTIVITY|Market SLBM is not installed",
                     "ACTIVITY|Market MF is not installed"}));
}

TEST_F(MarketScan, LaidOutInstallationWithAFixMarketEnablesItsFixCommands) {
    const InstallationLayout layout = LaidOut(dir_.File("qel"), {CM, FO, SLBM}, {FO});
    Scan(ReadFile(layout.RegistryPath()));
    EXPECT_EQ(table_.number_of_markets, 3);
    EXPECT_EQ(Types(), (std::vector<int>{1, 2, -1, -1, -1, 6, -1}));
    EXPECT_EQ(table_.markets[5].interface_thread_non_interactive_port, layout.basePort + 10);
    EXPECT_EQ(table_.markets[5].interface_thread_interactive_port, layout.basePort + 11);
    EXPECT_EQ(table_.markets[5].config_file_path, layout.ConfigPath(SLBM));
    EXPECT_EQ(table_.markets[1].fix_config_file_path, layout.FixConfigPath(FO));
    EXPECT_EQ(table_.common_config_file_path, layout.CommonConfigPath());
    EXPECT_EQ(std::vector<int>(fix_enabled, fix_enabled + 7),
              (std::vector<int>{0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(menu_.enabled,
              (std::vector<int>{32775, 32786, 32776, 32787, 32812, 32822, 32802, 32803}));
    EXPECT_EQ(menu_.grayed, 0);
    auto fo = std::find(lines_.begin(), lines_.end(), "ACTIVITY|Market FO is installed");
    ASSERT_GE(lines_.end() - fo, 14);
    EXPECT_EQ(Lines(fo + 4, fo + 14),
              (Lines{"        |Market FO is FIX enabled",
                     "        |Read FIX config file path = " + layout.FixConfigPath(FO),
                     "        |Enabling QEL configuraion menu", "        |Enabled.",
                     "        |Enabling Active users menu", "        |Enabled.",
                     "        |Enabling FIX - User configuraion menu", "        |Enabled.",
                     "        |Enabling FIX configuraion menu", "        |Enabled."}));
}

TEST_F(MarketScan, MissingConfigPathEndsTheWholeScan) {
    Scan(kHeader + MarketKey(CM, false) + MarketKey(WDM) +
         "\"FIX_CONFIG_FILE_PATH\"=\"/opt/fix.cfg\"\r\n");
    EXPECT_EQ(table_.number_of_markets, 1);
    EXPECT_EQ(Types(), (std::vector<int>{1, -1, -1, -1, -1, -1, -1}));
    EXPECT_TRUE(menu_.enabled.empty());
    EXPECT_EQ(menu_.grayed, 0);
    EXPECT_EQ(Lines(lines_.begin() + 1, lines_.end()),
              (Lines{"ACTIVITY|Market CM is installed",
                     "        |Read interface_thread_non_interactive_port = 10000",
                     "        |Read interface_thread_interactive_port = 10001",
                     "SYSTEM_ERROR|Cannot query registry for CONFIG_FILE_PATH."}));
}

TEST_F(MarketScan, UnreadableSettingsAreLoggedAsSystemErrors) {
    const std::pair<std::string, std::string> cases[] = {
        {"Windows Registry Editor Version 5.00\r\n", "Cannot open registry for SOFTWARE\\QEL_IP."},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\r\n\"OTHER\"=\"x\"\r\n",
         "Cannot query registry. Error = 2."},
        // A port stored as text.
        {kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\4]\r\n\"INTERFACE_THREAD_NON_"
                   "INTERACTIVE_PORT\"=\"10000\"\r\n",
         "Cannot query registry for INTERFACE_THREAD_NON_INTERACTIVE_PORT."},
    };
    for (const auto& [registry, error] : cases) {
        Scan(registry);
        EXPECT_EQ(std::count(lines_.begin(), lines_.end(), "SYSTEM_ERROR|" + error), 1) << error;
    }
}
