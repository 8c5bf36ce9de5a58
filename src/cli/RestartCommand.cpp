// zevo-cli restart MARKET [--wait]: the restart request the configuration dialogs send, and
// optionally the wait until the gateway runs again.

#include <cstdio>

#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "config/GatewayConfigFile.h"
#include "config/GatewayReturn.h"
#include "core/MarketType.h"
#include "log/Format.h"

namespace {

// The request, then the wait for a new instance that sends a version this console accepts;
// the instance of before the restart is held by a connection so that it is not taken for it.
int RestartAndWait(cli::Installation& installation, int market) {
    GatewayReturn watch(market,
                        static_cast<std::uint16_t>(
                            installation.Market(market).interface_thread_non_interactive_port),
                        &installation.log);
    bool armed = false;
    watch.Arm([&] { armed = true; });
    cli::RunUntil([&] { return armed; }, cli::g_connectMilliseconds);
    if (!cli::RequestRestart(installation, market, log_sites::GatewayConfiguration(),
                             "kill_qel_exe")) {
        return cli::kFailed;
    }
    bool done = false;
    bool back = false;
    std::string why;
    watch.Await(cli::g_connectMilliseconds, [&](bool isBack, const std::string& seen) {
        done = true;
        back = isBack;
        why = seen;
    });
    cli::RunUntil([&] { return done; }, cli::g_connectMilliseconds + 1000);
    if (!back) {
        return cli::Fail(cli::kNotRunning,
                         Fmt("the gateway of %s did not run again with an accepted version within "
                             "%d seconds (%s)",
                             MarketName(market), (cli::g_connectMilliseconds + 999) / 1000,
                             done ? why.c_str() : "no answer"));
    }
    std::printf("The gateway of %s runs again with an accepted version.\n", MarketName(market));
    return 0;
}

}  // namespace

int RestartCommand(const QStringList& arguments) {
    CommandLine line("restart", cli_help::kRestart);
    line.Add("wait");
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
    if (line.Has("wait")) {
        return RestartAndWait(installation, market);
    }
    if (!cli::RequestRestart(installation, market, log_sites::GatewayConfiguration(),
                             "kill_qel_exe")) {
        return cli::kFailed;
    }
    std::printf("Restart request sent to the gateway of %s.\n", MarketName(market));
    return 0;
}
