#pragma once

#include "core/InstalledMarkets.h"

// Command identifiers of the main window's menu and of the commands posted to it.
namespace cmd {

// QEL > QEL Configuration, per market CM..MF, and COMMON.
constexpr int kQelConfiguration[7] = {32775, 32776, 32777, 32778, 32801, 32802, 32780};
constexpr int kCommonConfiguration = 32793;
// Gateway configuration opened from the command line ("-c"), markets 1..7: 32968 + code.
constexpr int kStartupConfigurationBase = 32968;
// QEL > Show Active Users, per market.
constexpr int kActiveUsers[7] = {32786, 32787, 32788, 32789, 32800, 32803, 32790};
constexpr int kStartApplications = 32797;
// FIX > User Configuration and FIX > Session Configuration, per market.
constexpr int kFixUserConfiguration[7] = {32811, 32812, 32813, 32814, 32815, 32816, 32817};
constexpr int kFixSessionConfiguration[7] = {32821, 32822, 32823, 32824, 32825, 32826, 32827};
// QEL > Configuration History, per market.
constexpr int kConfigurationHistory[7] = {32831, 32832, 32833, 32834, 32835, 32836, 32837};
constexpr int kHelp = 32798;
// The framework's help command, which the F1 key gives.
constexpr int kHelpKey = 57670;
constexpr int kAbout = 32792;
constexpr int kExit = 32795;
// System-menu entry that opens the About box.
constexpr int kSystemAbout = 16;

// The id of a per-market command for the market in `slot` (code - 1).
constexpr int MarketCommandId(MarketCommand command, int slot) {
    switch (command) {
        case MarketCommand::QelConfiguration:
            return kQelConfiguration[slot];
        case MarketCommand::ActiveUsers:
            return kActiveUsers[slot];
        case MarketCommand::FixUserConfiguration:
            return kFixUserConfiguration[slot];
        case MarketCommand::FixSessionConfiguration:
            return kFixSessionConfiguration[slot];
    }
    return 0;
}

}  // namespace cmd
