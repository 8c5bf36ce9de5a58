// zevo-cli metrics: the machine's state for Prometheus, printed or written for
// node_exporter's textfile collector, so that nothing listens on the gateway machine.

#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

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
    metrics->Gauge("zevo_installation_readable",
                   "Whether zevo-cli could read the installation, its settings store naming a "
                   "market and the process table (1), or not (0: the gateway series are left "
                   "out, and the reason is on zevo-cli's standard error).");
    metrics->Gauge("zevo_gateway_up", "Whether the market's gateway process runs (1) or not (0).");
    metrics->Gauge("zevo_gateway_info",
                   "The gateway version the settings store records for the market.");
    metrics->Gauge("zevo_gateway_users",
                   "Users connected to the market's gateway, by login state.");
    metrics->Gauge("zevo_fix_users", "FIX users in the market's FIX configuration file.");
    metrics->Gauge("zevo_fix_users_max", "The most FIX users the market takes (MAX_TWS_CLIENTS).");
    metrics->Gauge("zevo_statistic_value",
                   "A real-time statistics figure less than five minutes old, as the console "
                   "shows it, in a unit with no base unit (the file's, as the unit label): "
                   "select one parameter, since figures of different quantities do not add up.");
    metrics->Gauge("zevo_statistics_updated_seconds",
                   "Time of the newest figure of a statistics file, in seconds since 1970.");
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

// The users of the running gateways by login state, all gateways asked at once; a gateway
// that does not answer gives none (zevo-cli says why on standard error). Every login state
// has its sample, 0 when no user is in it, so that a state's line drops to 0 on a graph
// rather than ending.
void AddUsers(cli::Installation& installation, const std::vector<int>& codes,
              PrometheusText* metrics) {
    std::vector<std::unique_ptr<UsersQuery>> queries;
    std::vector<UsersQuery*> waited;
    for (int code : codes) {
        queries.push_back(std::make_unique<UsersQuery>(code, &installation.log));
        queries.back()->Start(installation);
        waited.push_back(queries.back().get());
    }
    UsersQuery::WaitAll(waited);
    for (std::size_t i = 0; i < queries.size(); ++i) {
        if (!queries[i]->Finish()) {
            continue;
        }
        std::map<std::string, int> states;
        for (unsigned state = 0; *LoginStateText(state); ++state) {
            states[cli::MachineWord(LoginStateText(state))] = 0;
        }
        for (const UserInformation& user : queries[i]->users) {
            ++states[cli::MachineWord(LoginStateText(user.state))];
        }
        for (const auto& [state, count] : states) {
            metrics->Sample("zevo_gateway_users",
                            {{"market", MarketName(codes[i])}, {"state", state}}, count);
        }
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

// A statistics figure in a unit that has a base unit becomes a metric of its own, named after
// its parameter, in that base unit: "Response Time" in ms is
// zevo_statistic_response_time_seconds{market}. The guide of Prometheus wants sum() or avg()
// over a metric's labels to mean something; with the market as the only label, a sum over
// markets and machines adds like to like, and COMMON's "Total Orders" (all markets together)
// stays apart from the markets' "Orders" instead of being added to them twice. One family per
// unit with a parameter label would again mix response times with other durations under one
// name. The metric names are bounded as a parameter label's values would be: by the set of
// parameters the gateways' statistics files hold.
struct Quantity {
    const char* unit;    // as the statistics files write it
    const char* suffix;  // the base unit's, as Prometheus names it
    double times;        // a figure in base units: the file's times this, divided by
    double divided;      // this (each exact, so that 7 ms is 0.007)
    bool counter;
    const char* help;
};
// MB: the gateways' memory figures count in binary megabytes (1024 x 1024 bytes), as the
// operating system's memory counters do. count: the statistics component writes its running
// counts (Orders, Trades and the Common page's totals) in this unit and no other figure, so a
// figure in count is a counter; one that falls began again from 0, which rate() allows for.
constexpr Quantity kQuantities[] = {
    {"ms", "_seconds", 1, 1000, false, "in seconds (the file gives milliseconds)"},
    {"MB", "_bytes", 1024 * 1024, 1, false, "in bytes (the file gives MB of 1024 x 1024 bytes)"},
    {"%", "_ratio", 1, 100, false, "as a ratio, 1 for 100% (the file gives a percentage)"},
    {"count", "_total", 1, 1, true, "a running count (one that falls began again from 0)"},
};

const Quantity* QuantityOf(const std::string& unit) {
    for (const Quantity& quantity : kQuantities) {
        if (unit == quantity.unit) {
            return &quantity;
        }
    }
    return nullptr;
}

// Words a metric name must not hold besides its own unit suffix, since they read as a unit or
// as a metric type (Prometheus's linter, promtool check metrics, names them): abbreviations,
// units other than base units, and prefixed units ("milliseconds", "megabytes").
bool UnitOrTypeWord(const std::string& word) {
    static const std::set<std::string> kAbbreviations = {
        "s",   "ms",      "us",         "ns",      "sec",   "b",         "kb",
        "mb",  "gb",      "tb",         "pb",      "m",     "h",         "d",
        "pct", "percent", "percentage", "counter", "gauge", "histogram", "summary"};
    static const std::set<std::string> kNotBase = {
        "minutes", "hours", "days",  "weeks", "kelvins",  "fahrenheit", "rankine",
        "inches",  "yards", "miles", "bits",  "calories", "pounds",     "ounces"};
    static const std::set<std::string> kUnits = {"amperes", "bytes",  "celsius", "grams",
                                                 "joules",  "kelvin", "meters",  "metres",
                                                 "seconds", "volts"};
    static const char* const kPrefixes[] = {
        "pico", "nano", "micro", "milli", "centi", "deci", "deca", "hecto", "kilo", "kibi",
        "mega", "mebi", "mibi",  "giga",  "gibi",  "tera", "tebi", "peta",  "pebi"};
    if (kAbbreviations.count(word) || kNotBase.count(word)) {
        return true;
    }
    for (const char* prefix : kPrefixes) {
        const std::size_t length = std::strlen(prefix);
        if (word.size() > length && word.compare(0, length, prefix) == 0) {
            const std::string rest = word.substr(length);
            if (kUnits.count(rest) || kNotBase.count(rest)) {
                return true;
            }
        }
    }
    return false;
}

// The metric name of a parameter's figures in `quantity`: zevo_statistic_, the parameter's
// words in lower case (letters and digits of ASCII; anything else separates words) less unit
// and type words, then the unit suffix; a counter's own closing "total" is not doubled.
// Empty when no word is left.
std::string StatisticName(const std::string& parameter, const Quantity& quantity) {
    std::string name;
    std::string word;
    auto endWord = [&] {
        if (!word.empty() && !UnitOrTypeWord(word)) {
            name += (name.empty() ? "" : "_") + word;
        }
        word.clear();
    };
    for (char c : parameter) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            word += c;
        } else if (c >= 'A' && c <= 'Z') {
            word += static_cast<char>(c - 'A' + 'a');
        } else {
            endWord();
        }
    }
    endWord();
    if (quantity.counter && (name == "total" || (name.size() > 6 && name.ends_with("_total")))) {
        name.resize(name.size() > 6 ? name.size() - 6 : 0);
    }
    return name.empty() ? name : "zevo_statistic_" + name + quantity.suffix;
}

// Every figure the console's statistics pages would show with a value: records of Common
// and of the installed markets, the last of each parameter, stale ones left out, and only
// numbers (a metric carries no text). A figure in a unit without a base unit, or whose name
// another parameter took already, is a zevo_statistic_value with its unit as a label.
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
    std::set<std::pair<std::string, std::string>> named;  // (metric, market) with its sample
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
        const Quantity* quantity = QuantityOf(record.unit);
        const std::string name = quantity ? StatisticName(record.parameter, *quantity) : "";
        if (!name.empty() && named.emplace(name, market).second) {
            if (!metrics->Declared(name)) {
                const std::string help = "The statistics figure \"" + record.parameter +
                                         "\" less than five minutes old, " + quantity->help + ".";
                if (quantity->counter) {
                    metrics->Counter(name, help);
                } else {
                    metrics->Gauge(name, help);
                }
            }
            metrics->Sample(name, {{"market", market}},
                            value * quantity->times / quantity->divided);
            continue;
        }
        metrics->Sample(
            "zevo_statistic_value",
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
    PrometheusText metrics;
    DeclareFamilies(&metrics);
    // What cannot be read is said, and what is known written all the same: a textfile left
    // as it was would go on showing the last good state.
    std::string unreadable = cli::UnreadableInstallation(installation);
    if (unreadable.empty()) {
        const platform::ProcessSnapshot processes(installation.Processes());
        if (!processes.Taken()) {
            unreadable = std::string("the process table cannot be read: ") +
                         std::strerror(static_cast<int>(processes.Error()));
        }
        std::vector<int> running;
        for (int code = 1; code <= kMarketCount; ++code) {
            if (!installation.table.IsInstalled(code)) {
                continue;
            }
            if (processes.Taken()) {
                const bool runs = qel_status_query(code, processes, installation.log,
                                                   GatewayAccount(installation.table, code)) == 1;
                metrics.Sample("zevo_gateway_up", {{"market", MarketName(code)}}, runs ? 1 : 0);
                metrics.Sample("zevo_gateway_info",
                               {{"market", MarketName(code)}, {"version", InstalledVersion(code)}},
                               1);
                if (runs) {
                    running.push_back(code);
                }
            }
            AddFixUsers(installation, code, &metrics);
        }
        if (line.Has("users")) {
            AddUsers(installation, running, &metrics);
        }
        AddStatistics(installation, &metrics);
    }
    metrics.Sample("zevo_installation_readable", {}, unreadable.empty() ? 1 : 0);
    metrics.Gauge("zevo_metrics_scrape_duration_seconds",
                  "How long zevo-cli took to gather these.");
    metrics.Sample("zevo_metrics_scrape_duration_seconds", {},
                   static_cast<double>(clock.nsecsElapsed()) / 1e9);
    const std::string text = metrics.Text();
    if (!unreadable.empty()) {
        cli::Fail(cli::kUnknown, unreadable);
    }
    if (line.Has("textfile")) {
        status = WriteTextFile(line.Value("textfile"), text);
    } else {
        std::fputs(text.c_str(), stdout);
    }
    return unreadable.empty() ? status : cli::kUnknown;
}
