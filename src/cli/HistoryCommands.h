#pragma once

#include <string>
#include <vector>

#include "cli/CliSupport.h"

// The configuration history's part of `zevo-cli config`.
namespace history_commands {

// The market's configuration file, and its FIX file when it has one.
std::vector<std::string> MarketFiles(const cli::Installation& installation, int market);
// config history [MARKET] [--json]: the saves, newest first (all markets with `market` 0).
int List(const cli::Installation& installation, int market, bool json);
// config diff REV [REV]: what a save changed, or what changed between two saves.
int Diff(const std::string& from, const std::string& to);
// config restore MARKET REV: the market's files as that save left them, saved anew;
// `afterSave` does what follows any save (the restart of a running gateway).
int Restore(cli::Installation& installation, int market, const std::string& revision, bool dryRun,
            int (*afterSave)(cli::Installation&, int, int));

}  // namespace history_commands
