#pragma once

#include <string>

#include "core/MarketType.h"

class ActivityLog;
namespace platform {
class SettingsStore;
}

// One market's entry of the installed-markets table.
struct MarketSettings {
    int type = -1;  // market code when installed, else -1
    std::string config_file_path;
    std::string fix_config_file_path;  // empty when the market is not FIX enabled
    int interface_thread_non_interactive_port = 0;
    int interface_thread_interactive_port = 0;
};

// Which markets are installed and where their gateways keep files and listen, as the
// settings store records it. Filled once at start-up, read only afterwards.
struct InstalledMarkets {
    int number_of_markets = 0;
    MarketSettings markets[kMarketCount];
    std::string common_config_file_path;
    std::string gateway_account;  // ZEVO_GATEWAY_ACCOUNT: the gateways' account, when named

    void Clear() { *this = InstalledMarkets(); }
    bool IsInstalled(int code) const {
        return IsMarketCode(code) && markets[code - 1].type == code;
    }
};

// Per market slot: 1 when the market has a FIX configuration file, else 0. Written once at
// start-up.
extern int fix_enabled[kMarketCount];

// The per-market menu commands the settings reader enables for an installed market.
enum class MarketCommand {
    QelConfiguration,
    ActiveUsers,
    FixUserConfiguration,
    FixSessionConfiguration
};

// The menu of the main window as the settings reader sees it: commands to enable for the
// installed markets and the FIX popups to gray when no market has FIX. The window knows the
// command ids; the reader knows only which command of which market.
class MarketMenu {
  public:
    virtual ~MarketMenu() = default;
    virtual bool HasMenu() const = 0;
    virtual void EnableMarketCommand(MarketCommand command, int slot) = 0;
    // Grays the first two entries of the menu bar's second popup (the FIX popups).
    virtual void GrayFixPopups() = 0;
};

// Sets the number of markets to 0 and reads the common configuration file path.
void GetNumberOfMarkets(InstalledMarkets& table, const platform::SettingsStore& store,
                        ActivityLog& log);

// Reads every market's key into the table, fills fix_enabled and enables the installed
// markets' menu commands.
void InitTypesOfMarketsConfigFilePathsAndPorts(InstalledMarkets& table,
                                               const platform::SettingsStore& store,
                                               ActivityLog& log, MarketMenu* menu);
