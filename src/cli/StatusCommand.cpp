// zevo-cli status [MARKET]: whether each installed gateway runs, as a monitoring check.

#include <QJsonArray>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

// The first line, as monitoring plug-ins begin: the verdict, then after "|" the number of
// running gateways as performance data ('label'=value;warn;crit;min;max, critical below all).
std::string Summary(std::size_t installed, const std::vector<std::string>& down) {
    const std::size_t running = installed - down.size();
    std::string text = Fmt("ZEVO %s - %zu of %zu gateways running",
                           down.empty() ? "OK" : "CRITICAL", running, installed);
    for (std::size_t i = 0; i < down.size(); ++i) {
        text += (i == 0 ? ", not running: " : ", ") + down[i];
    }
    return text + Fmt(" | gateways_running=%zu;;%zu:;0;%zu", running, installed, installed);
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
    QJsonArray rows;
    std::vector<std::string> lines;
    std::vector<std::string> down;
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
        if (!runs) {
            down.push_back(MarketName(code));
        }
        std::string version = InstalledVersion(code);
        const char* state = runs ? "running" : "not_running";
        rows.append(QJsonObject{{"market", MarketName(code)},
                                {"code", code},
                                {"running", runs},
                                {"state", state},
                                {"version", QString::fromUtf8(version.c_str())}});
        std::replace(version.begin(), version.end(), ' ', '_');  // a field without blanks
        lines.push_back(
            Fmt("%-8s %-12s %s", MarketName(code), state, version.empty() ? "-" : version.c_str()));
    }
    const bool allRun = down.empty();
    if (json) {
        cli::PrintJson(QJsonObject{{"markets", rows}, {"all_running", allRun}});
    } else {
        if (!line.Has("no-header")) {
            std::printf("%s\n%-8s %-12s %s\n", Summary(lines.size(), down).c_str(), "MARKET",
                        "GATEWAY", "VERSION");
        }
        for (const std::string& row : lines) {
            std::printf("%s\n", row.c_str());
        }
    }
    return allRun ? 0 : cli::kNotRunning;
}
