// zevo-cli config get|set MARKET ...: the gateway configuration dialog's values, through the
// dialog's own reading, rules and save.

#include <QJsonArray>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "base/Text.h"
#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/HistoryCommands.h"
#include "config/ConfigRestore.h"
#include "config/ConfigTransaction.h"
#include "config/GatewayConfigFile.h"
#include "config/KeyValueFile.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/TextFile.h"

namespace {

constexpr int kValueSize = 1024;

bool IsDottedAddress(const std::string& text) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        if (part.empty() || part.size() > 3 ||
            part.find_first_not_of("0123456789") != std::string::npos || std::stoi(part) > 255) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos) {
            return parts == 4;
        }
        start = dot + 1;
    }
}

// Takes KEY=VALUE into the values as the dialog's controls would hold it; false (after
// saying why) for a key the dialog does not change or a value its controls cannot hold.
bool TakeSetting(const std::string& setting, GatewayConfigValues* v) {
    const std::size_t equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
        cli::Fail("expected KEY=VALUE, not " + setting);
        return false;
    }
    const std::string key = setting.substr(0, equals), value = setting.substr(equals + 1);
    const std::map<std::string, std::string*> addresses = {{"MACHINE_LAN_IP", &v->localIp},
                                                           {"MACHINE_WAN_IP", &v->wanIp},
                                                           {"PRIMARY_HOST_IP", &v->hostIp}};
    const std::map<std::string, std::string*> numbers = {{"HOST_PORT_NUMBER", &v->hostPort},
                                                         {"BOX_ID", &v->boxId}};
    std::string refusal;
    if (auto it = addresses.find(key); it != addresses.end()) {
        if (!value.empty() && !IsDottedAddress(value)) {
            refusal = " takes an address a.b.c.d with numbers 0 to 255, not ";
        }
        *it->second = value;
    } else if (auto it = numbers.find(key); it != numbers.end()) {
        // Any number of digits, as the dialog's field takes them; the rules judge the value.
        if (value.find_first_not_of("0123456789") != std::string::npos) {
            refusal = " takes digits only, not ";
        }
        *it->second = value;
    } else if (key == "BROKER_ID") {
        const bool alphanumeric = std::all_of(value.begin(), value.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c));
        });
        if (!alphanumeric || value.size() > 5) {
            refusal = " takes up to 5 letters and digits, not ";
        }
        v->brokerId = value;
    } else if (key == "CURRENT_CONFIG") {
        if (!text::EqualsIgnoreCase(value, "PRIMARY") && !text::EqualsIgnoreCase(value, "BCP")) {
            refusal = " takes PRIMARY or BCP, not ";
        }
        v->radioPrimary = text::EqualsIgnoreCase(value, "BCP") ? 1 : 0;
    } else {
        cli::Fail("the configuration dialog does not change " + key +
                  " (MACHINE_LAN_IP, MACHINE_WAN_IP, PRIMARY_HOST_IP, HOST_PORT_NUMBER, BOX_ID, "
                  "BROKER_ID, CURRENT_CONFIG)");
        return false;
    }
    if (!refusal.empty()) {
        cli::Fail(key + refusal + value);
        return false;
    }
    return true;
}

// What `config set` does besides the save: --dry-run shows what would change and touches
// nothing; --no-restart leaves a running gateway and the service alone.
struct SetOptions {
    bool dryRun = false;
    bool noRestart = false;
    int confirmSeconds = 0;  // --confirm: a save rolled back unless the gateway runs on it
    std::vector<std::pair<std::string, std::string>> before;  // the files before the save
};

int DryRun(cli::Installation& installation, int market, const GatewayConfigValues& form,
           const std::vector<GatewayChange>& changes) {
    // The installation's log writes nothing for a dry run.
    const GatewayConfigRuleBreak broken =
        CheckGatewayConfiguration(form, market, &installation.log);
    if (broken.field != GatewayConfigField::None) {
        return cli::Fail(broken.box);
    }
    for (const GatewayChange& change : changes) {
        std::printf("%s: %s -> %s\n", change.key.c_str(), change.from.c_str(), change.to.c_str());
    }
    return 0;
}

// After a save: the restart of a running gateway and Start Applications, as the dialog does.
// kPartly when one of them fails.
int AfterSave(cli::Installation& installation, int market, bool noRestart, int status) {
    std::string text = "Parameter(s) updated successfully in QEL configuration file.";
    if (noRestart) {
        std::printf("%s\n", text.c_str());
        return status;
    }
    if (installation.Runs(market)) {
        text += " QEL will restart to take changes into effect.";
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        if (!cli::RequestRestart(installation, market, log_sites::GatewayConfiguration(),
                                 "kill_qel_exe")) {
            std::fprintf(stderr, "zevo-cli: saved, but the gateway was not restarted\n");
            status = cli::kPartly;
        }
    } else {
        std::printf("%s\n", text.c_str());
    }
    if (!cli::StartApplications(&installation.log)) {
        std::fprintf(stderr, "zevo-cli: saved, but the applications were not started\n");
        status = cli::kPartly;
    }
    return status;
}

// The configuration file cannot be read: the dialog's box, and why.
int SetupError(const std::string& path) {
    return cli::Fail("QEL Setup Error. " + path + ": " + platform::WhyNotEditableText(path));
}

// The save's outcome as zevo-cli says it; from a saved gateway file on, a failure of what
// follows is a partial success.
int Saved(cli::Installation& installation, const GatewayConfigTarget& target,
          const GatewaySaveResult& saved, const SetOptions& options) {
    if (saved.outcome == GatewaySaveResult::Invalid) {
        return cli::Fail(saved.broken.box);
    }
    if (saved.outcome == GatewaySaveResult::Busy || saved.outcome == GatewaySaveResult::Refused) {
        return cli::Fail(saved.error);
    }
    if (saved.outcome != GatewaySaveResult::Saved) {
        return cli::Fail("QEL Setup Error. " + saved.error);
    }
    if (saved.fixFileUpdated && !saved.fixFileWritten) {
        // The gateway must not restart on a FIX file that disagrees with its configuration.
        return cli::Fail(cli::kPartly,
                         Fmt("saved, but the FIX file %s was not updated; the gateway was not "
                             "restarted: run the same command again to complete it",
                             target.fixConfigPath.c_str()));
    }
    if (options.confirmSeconds > 0) {
        return cli::ConfirmSave(installation, target.market, options.before, options.confirmSeconds,
                                log_sites::GatewayConfiguration(), "kill_qel_exe",
                                [&] { return AfterSave(installation, target.market, false, 0); });
    }
    return AfterSave(installation, target.market, options.noRestart, 0);
}

// --json: the values that change, as KEY=VALUE lines before and after, for a diff.
void ReportChanges(int market, const std::vector<GatewayChange>& changes, bool fixLags,
                   bool dryRun) {
    QJsonArray listed;
    for (const GatewayChange& change : changes) {
        listed.append(QJsonObject{{"key", QString::fromStdString(change.key)},
                                  {"from", QString::fromStdString(change.from)},
                                  {"to", QString::fromStdString(change.to)}});
    }
    cli::Report("market", MarketName(market));
    cli::Report("changes", listed);
    cli::Report("fix_file_follows", fixLags);
    cli::Report("changed", !changes.empty() || fixLags);
    cli::Report("dry_run", dryRun);
}

int ConfigSet(cli::Installation& installation, int market, const std::vector<std::string>& settings,
              SetOptions options) {
    ActivityLog* log = &installation.log;
    const MarketSettings& paths = installation.Market(market);
    const GatewayConfigTarget target = GatewayTargetOf(
        market, paths.config_file_path, paths.fix_config_file_path, installation.Port(market));
    // A set reads and writes under the configuration lock, so it changes the file as it is
    // when it writes; a dry run only looks.
    std::optional<ConfigTransaction> transaction;
    if (!options.dryRun) {
        transaction.emplace(GatewaySaveFiles(target), log, log_sites::GatewayConfiguration(),
                            "save_configuration_parameters");
        if (!transaction->Locked()) {
            return cli::Fail(transaction->Refusal());
        }
        options.before = FilesNow(GatewaySaveFiles(target));
    }
    GatewayConfigRead read;
    if (!ReadGatewayConfiguration(target.configPath, log, &read)) {
        return SetupError(target.configPath);
    }
    GatewayConfigValues form = ShownValues(read);
    for (const std::string& setting : settings) {
        if (!TakeSetting(setting, &form)) {
            return cli::kFailed;
        }
    }
    const std::vector<GatewayChange> changes = GatewayChangesToSave(read, form);
    const bool fixLags = FixFileLags(target, read);
    ReportChanges(market, changes, fixLags, options.dryRun);
    if (changes.empty() && !fixLags) {
        // As the dialog's Save stays disabled: nothing is written and nothing restarted.
        std::printf("Nothing to change in %s.\n", target.configPath.c_str());
        installation.NothingChanged();
        return 0;
    }
    if (fixLags) {
        std::printf(
            "%s does not follow BROKER_ID and MACHINE_LAN_IP of %s: %s brought in "
            "line.\n",
            target.fixConfigPath.c_str(), target.configPath.c_str(),
            options.dryRun ? "it would be" : "it is");
    }
    if (options.dryRun) {
        return DryRun(installation, market, form, changes);
    }
    const GatewaySaveResult saved = SaveGatewayConfiguration(target, read, form, log);
    // The save is in the history before the gateway restarts on it, and a rollback takes the
    // lock anew.
    transaction.reset();
    return Saved(installation, target, saved, options);
}

int ConfigGet(cli::Installation& installation, int market, const std::string& key) {
    const std::string& path = installation.Market(market).config_file_path;
    const LogSite& site = log_sites::GatewayConfiguration();
    LogAt(&installation.log, LogLevel::Activity, site, "read_configuration_parameters",
          Fmt("Reading QEL config parameters from file %s", path.c_str()));
    char buffer[kValueSize] = {0};
    const int result = get_string_parameter(path.c_str(), key.c_str(), buffer, kValueSize);
    if (result == kv::kCannotOpen) {
        LogAt(&installation.log, LogLevel::Event, site, "read_configuration_parameters",
              "ZEVO could not open QEL config file");
        return SetupError(path);
    }
    if (result != kv::kFound) {
        LogAt(&installation.log, LogLevel::Event, site, "read_configuration_parameters",
              Fmt("Cannot read %s from config file.", key.c_str()));
        return cli::Fail(Fmt("%s is not in %s", key.c_str(), path.c_str()));
    }
    std::printf("%s\n", buffer);
    return 0;
}

}  // namespace

namespace {

// What follows a restore: the same as after a set.
int AfterRestore(cli::Installation& installation, int market, int status) {
    return AfterSave(installation, market, false, status);
}
int AfterRestoreNoRestart(cli::Installation& installation, int market, int status) {
    return AfterSave(installation, market, true, status);
}

int HistoryAction(const CommandLine& line, const std::string& action) {
    const int count = line.PositionalCount();
    if (action == "diff") {
        if (count < 2 || count > 3) {
            return line.Usage("diff takes REV [REV]");
        }
        return count == 2 ? history_commands::Diff({}, line.Positional(1))
                          : history_commands::Diff(line.Positional(1), line.Positional(2));
    }
    const bool restore = action == "restore";
    if (restore ? count != 3 : count > 2) {
        return line.Usage(restore ? "restore takes MARKET and REV" : "history takes [MARKET]");
    }
    cli::Installation installation(restore && !line.Has("dry-run"));
    if (const int unusable = cli::Unusable(installation)) {
        return unusable;
    }
    int market = 0;
    if (count >= 2) {
        market = cli::InstalledMarket(installation, line.Positional(1));
        if (market == 0) {
            return cli::kFailed;
        }
    }
    if (!restore) {
        return history_commands::List(installation, market, line.Has("json"));
    }
    if (line.Has("json")) {
        cli::StartReport();
    }
    return history_commands::Restore(installation, market, line.Positional(2), line.Has("dry-run"),
                                     line.Has("no-restart") ? AfterRestoreNoRestart : AfterRestore);
}

}  // namespace

int ConfigCommand(const QStringList& arguments) {
    CommandLine line("config", cli_help::kConfig);
    line.Add("dry-run");
    line.Add("no-restart");
    line.Add("json");
    line.Add("confirm", "SECONDS");
    int status = 0;
    if (!line.Parse(arguments, 1, 1000, &status)) {
        return status;
    }
    const std::string action = line.Positional(0);
    if (action == "history" || action == "diff" || action == "restore") {
        return HistoryAction(line, action);
    }
    if ((action != "get" && action != "set") || line.PositionalCount() < 3 ||
        (action == "get" && line.PositionalCount() != 3)) {
        return line.Usage(action == "get"   ? "get takes MARKET and KEY"
                          : action == "set" ? "set takes MARKET and KEY=VALUE..."
                                            : "the first argument is get, set, history, diff or "
                                              "restore");
    }
    SetOptions options;
    options.dryRun = line.Has("dry-run");
    options.noRestart = line.Has("no-restart");
    options.confirmSeconds = cli::ConfirmSeconds(line);
    if (options.confirmSeconds < 0) {
        return cli::kUsage;
    }
    if (action == "set" && line.Has("json")) {
        cli::StartReport();
    }
    // Only a set that may write keeps a log of its own; a look writes none.
    cli::Installation installation(action == "set" && !options.dryRun);
    if (const int unusable = cli::Unusable(installation)) {
        return unusable;
    }
    const int market = cli::InstalledMarket(installation, line.Positional(1));
    if (market == 0) {
        return cli::kFailed;
    }
    if (action == "get") {
        return ConfigGet(installation, market, line.Positional(2));
    }
    std::vector<std::string> settings;
    for (int i = 2; i < line.PositionalCount(); ++i) {
        settings.push_back(line.Positional(i));
    }
    return ConfigSet(installation, market, settings, options);
}
