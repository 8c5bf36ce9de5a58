// zevo-cli restart MARKET: the restart request the configuration dialogs send.

#include <cstdio>

#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "config/GatewayConfigFile.h"
#include "core/MarketType.h"

int RestartCommand(const QStringList& arguments) {
    CommandLine line("restart", cli_help::kRestart);
    int status = 0;
    if (!line.Parse(arguments, 1, 1, &status)) {
        return status;
    }
    cli::Installation installation;
    if (const int unusable = cli::Unusable(installation)) {
        return unusable;
    }
    const int market = cli::InstalledMarket(installation, line.Positional(0));
    if (market == 0) {
        return cli::kFailed;
    }
    if (!cli::RequestRestart(installation, market, log_sites::GatewayConfiguration(),
                             "kill_qel_exe")) {
        return cli::kFailed;
    }
    std::printf("Restart request sent to the gateway of %s.\n", MarketName(market));
    return 0;
}
