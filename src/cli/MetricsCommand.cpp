// zevo-cli metrics: the machine's state for Prometheus, printed or written for
// node_exporter's textfile collector, so that nothing listens on the gateway machine.

#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <cstdio>
#include <cstring>
#include <map>

#include "base/Settings.h"
#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/PrometheusText.h"
#include "cli/UsersQuery.h"
#include "config/FixUserRules.h"
#include "config/GatewayConfigFile.h"
#include "core/GatewayProcess.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "views/StatisticsFile.h"

namespace {

constexpr int kCommonMarket = 100;

void DeclareFamilies(PrometheusText* metrics) {
    metrics->Gauge("zevo_gateway_up", "Whether the market's gateway process runs (1) or not (0).");
    metrics->Gauge("zevo_gateway_info",
                   "The gateway version the settings store records for the market.");
    metrics->Gauge("zevo_gateway_users",
                   "Users connected to the market's gateway, by login state.");
    metrics->Gauge("zevo_fix_users", "FIX users in the market's FIX configuration file.");
    metrics->Gauge("zevo_fix_users_max", "The most FIX users the market takes (MAX_TWS_CLIENTS).");
    metrics->Gauge("zevo_statistic",
                   "A real-time statistics figure less than five minutes old, as the console "
                   "shows it.");
    metrics->Gauge("zevo_statistics_updated_seconds",
                   "Time of the newest figure of a statistics file, in seconds since 1970.");
    metrics->Gauge("zevo_metrics_scrape_seconds", "How long zevo-cli took to gather these.");
}

std::string InstalledVersion(int code) {
    std::string version;
    if (auto key = platform::DefaultSettingsStore().OpenKey(Fmt("%s\\%d", settings::kRoot, code))) {
        platform::QueryString(*key, settings::kVersion, settings::kVersionLimit, &version);
    }
    return version;
}

void AddFixUsers(cli::Installation& installation, int code, PrometheusText* metrics) {
    const MarketSettings& market = installation.Market(code);
    fix_users::GatewayKeys keys;
    std::vector<fix_file::FixUser> users;
    if (fix_enabled[code - 1] != 1 || market.fix_config_file_path.empty() ||
        fix_users::ReadGatewayKeys(market.config_file_path, &installation.log,
                                   log_sites::FixUsers(), &keys) != fix_users::KeysRead::Read ||
        !fix_users::LoadUsers(market.fix_config_file_path, &installation.log, log_sites::FixUsers(),
                              &users)) {
        return;
    }
    metrics->Sample("zevo_fix_users", {{"market", MarketName(code)}},
                    static_cast<double>(users.size()));
    metrics->Sample("zevo_fix_users_max", {{"market", MarketName(code)}}, keys.maxUsers);
}

// The users of a running gateway by login state; a gateway that does not answer gives none
// (zevo-cli says why on standard error).
void AddUsers(cli::Installation& installation, int code, PrometheusText* metrics) {
    UsersQuery query(code, &installation.log);
    if (!query.Ask(installation)) {
        return;
    }
    std::map<std::string, int> states;
    for (const UserInformation& user : query.users) {
        ++states[cli::MachineWord(LoginStateText(user.state))];
    }
    for (const auto& [state, count] : states) {
        metrics->Sample("zevo_gateway_users", {{"market", MarketName(code)}, {"state", state}},
                        count);
    }
}

// The statistics folder of the settings store; empty when it names none.
std::string StatisticsDirectory() {
    std::string directory;
    if (auto key = platform::DefaultSettingsStore().OpenKey(
            Fmt("%s\\%s\\%d", settings::kRoot, settings::kCommon, 1))) {
        platform::QueryString(*key, settings::kCurrentFilesPath, settings::kPathLimit, &directory);
    }
    return directory;
}

// Every figure the console's statistics pages would show with a value: records of Common
// and of the installed markets, the last of each parameter, stale ones left out, and only
// numbers (a metric carries no text).
void AddStatistics(const cli::Installation& installation, PrometheusText* metrics) {
    const std::string directory = StatisticsDirectory();
    if (directory.empty()) {
        return;
    }
    const std::int64_t now = platform::DefaultClock().UnixSeconds();
    StatisticsPass pass;
    for (const std::string& name : platform::FindFiles(directory, "*")) {
        std::string text;
        if (!ReadStatisticsPath(directory + "/" + name, &text)) {
            continue;
        }
        std::uint64_t newest = 0;
        bool any = false;
        ForEachStatisticsRecord(text, [&](StatisticsRecord&& record) {
            if (record.marketType != 0) {
                newest = std::max(newest, record.timestamp);
                any = true;
            }
            pass.Add(std::move(record));
            return true;
        });
        if (any) {
            metrics->Sample("zevo_statistics_updated_seconds", {{"file", name}},
                            static_cast<double>(newest));
        }
    }
    for (const StatisticsRecord& record : pass.Take()) {
        const bool shown =
            record.marketType == kCommonMarket || installation.table.IsInstalled(record.marketType);
        double value = 0;
        if (!shown || IsStaleStatistic(now, record.timestamp) ||
            !ParseFigure(record.value, &value)) {
            continue;
        }
        const std::string market =
            record.marketType == kCommonMarket ? settings::kCommon : MarketName(record.marketType);
        metrics->Sample(
            "zevo_statistic",
            {{"market", market}, {"parameter", record.parameter}, {"unit", record.unit}}, value);
    }
}

// DIR/zevo.prom replaced whole: the collector reads the old file or the new, never half.
int WriteTextFile(const std::string& directory, const std::string& text) {
    const QString path = QDir(QString::fromStdString(directory)).filePath("zevo.prom");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        return cli::Fail(Fmt("%s cannot be written: %s", path.toUtf8().constData(),
                             file.errorString().toUtf8().constData()));
    }
    return 0;
}

}  // namespace

int MetricsCommand(const QStringList& arguments) {
    QElapsedTimer clock;
    clock.start();
    CommandLine line("metrics", cli_help::kMetrics);
    line.Add("users");
    line.Add("textfile", "DIR");
    int status = 0;
    if (!line.Parse(arguments, 0, 0, &status)) {
        return status;
    }
    cli::Installation installation(false);  // a look: no activity-log line
    if (const std::string why = cli::UnreadableInstallation(installation); !why.empty()) {
        return cli::Fail(cli::kUnknown, why);
    }
    const platform::ProcessSnapshot processes(installation.Processes());
    if (!processes.Taken()) {
        return cli::Fail(cli::kUnknown, std::string("the process table cannot be read: ") +
                                            std::strerror(static_cast<int>(processes.Error())));
    }
    PrometheusText metrics;
    DeclareFamilies(&metrics);
    for (int code = 1; code <= kMarketCount; ++code) {
        if (!installation.table.IsInstalled(code)) {
            continue;
        }
        const bool runs = qel_status_query(code, processes, installation.log,
                                           GatewayAccount(installation.table, code)) == 1;
        metrics.Sample("zevo_gateway_up", {{"market", MarketName(code)}}, runs ? 1 : 0);
        metrics.Sample("zevo_gateway_info",
                       {{"market", MarketName(code)}, {"version", InstalledVersion(code)}}, 1);
        AddFixUsers(installation, code, &metrics);
        if (runs && line.Has("users")) {
            AddUsers(installation, code, &metrics);
        }
    }
    AddStatistics(installation, &metrics);
    metrics.Sample("zevo_metrics_scrape_seconds", {},
                   static_cast<double>(clock.nsecsElapsed()) / 1e9);
    const std::string text = metrics.Text();
    if (line.Has("textfile")) {
        return WriteTextFile(line.Value("textfile"), text);
    }
    std::fputs(text.c_str(), stdout);
    return 0;
}
