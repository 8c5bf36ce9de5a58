// zevo-cli status [MARKET]: whether each installed gateway runs, as a monitoring check.

#include <QJsonArray>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/Settings.h"
#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "core/GatewayProcess.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/SettingsStore.h"

namespace {

std::string InstalledVersion(int code) {
    std::string version;
    if (auto key = platform::DefaultSettingsStore().OpenKey(Fmt("%s\\%d", settings::kRoot, code))) {
        platform::QueryString(*key, settings::kVersion, settings::kVersionLimit, &version);
    }
    return version;
}

}  // namespace

int StatusCommand(const QStringList& arguments) {
    CommandLine line("status", cli_help::kStatus);
    line.Add("json");
    line.Add("no-header");
    int status = 0;
    if (!line.Parse(arguments, 0, 1, &status)) {
        return status;
    }
    cli::Installation installation(false);
    if (const int unusable = cli::Unusable(installation)) {
        return unusable;
    }
    int only = 0;  // all markets
    if (line.PositionalCount() == 1) {
        only = cli::InstalledMarket(installation, line.Positional(0));
        if (only == 0) {
            return cli::kUnknown;
        }
    }
    const platform::ProcessSnapshot processes(installation.Processes());  // one look for all
    if (!processes.Taken()) {
        return cli::Fail(cli::kUnknown, std::string("the process table cannot be read: ") +
                                            std::strerror(static_cast<int>(processes.Error())));
    }
    const bool json = line.Has("json");
    if (!json && !line.Has("no-header")) {
        std::printf("%-8s %-12s %s\n", "MARKET", "GATEWAY", "VERSION");
    }
    bool allRun = true;
    QJsonArray rows;
    for (int code = 1; code <= kMarketCount; ++code) {
        if (!installation.table.IsInstalled(code) || (only != 0 && code != only)) {
            continue;
        }
        const std::int64_t account = GatewayAccount(installation.table, code);
        std::int64_t impostor = kNoAccount;
        const bool runs =
            qel_status_query(code, processes, installation.log, account, &impostor) == 1;
        if (impostor != kNoAccount) {
            std::fprintf(stderr, "zevo-cli: %s: it is not taken for the gateway\n",
                         ImpostorText(code, impostor, account).c_str());
        }
        allRun = allRun && runs;
        std::string version = InstalledVersion(code);
        const char* state = runs ? "running" : "not_running";
        if (json) {
            rows.append(QJsonObject{{"market", MarketName(code)},
                                    {"code", code},
                                    {"running", runs},
                                    {"state", state},
                                    {"version", QString::fromUtf8(version.c_str())}});
        } else {
            std::replace(version.begin(), version.end(), ' ', '_');  // a field without blanks
            std::printf("%-8s %-12s %s\n", MarketName(code), state,
                        version.empty() ? "-" : version.c_str());
        }
    }
    if (json) {
        cli::PrintJson(QJsonObject{{"markets", rows}, {"all_running", allRun}});
    }
    return allRun ? 0 : cli::kNotRunning;
}
