#include "core/InstalledMarkets.h"

#include "base/Settings.h"
#include "base/Text.h"
#include "core/GatewayProcess.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/SettingsStore.h"

int fix_enabled[kMarketCount] = {0, 0, 0, 0, 0, 0, 0};

namespace {

constexpr const char* kBaseKey = settings::kRoot;
constexpr const char* kInitOp = "CZEVOClientPHASE4Dlg::InitTypesOfMarketsConfigFilePathsAndPorts";
constexpr std::uint32_t kPathLimit = settings::kPathLimit;

void EnableStep(ActivityLog& log, MarketMenu& menu, const char* announcement, MarketCommand command,
                int slot) {
    const char* const op = kInitOp;
    ZEVO_LOG_DETAIL(&log, op, announcement);
    menu.EnableMarketCommand(command, slot);
    ZEVO_LOG_DETAIL(&log, op, "Enabled.");
}

void EnableMarketMenu(ActivityLog& log, MarketMenu& menu, int slot) {
    EnableStep(log, menu, "Enabling QEL configuraion menu", MarketCommand::QelConfiguration, slot);
    EnableStep(log, menu, "Enabling Active users menu", MarketCommand::ActiveUsers, slot);
    if (fix_enabled[slot] == 1) {
        EnableStep(log, menu, "Enabling FIX - User configuraion menu",
                   MarketCommand::FixUserConfiguration, slot);
        EnableStep(log, menu, "Enabling FIX configuraion menu",
                   MarketCommand::FixSessionConfiguration, slot);
    }
}

}  // namespace

void GetNumberOfMarkets(InstalledMarkets& table, const platform::SettingsStore& store,
                        ActivityLog& log) {
    static const char* const op = "CZEVOClientPHASE4Dlg::GetNumberOfMarkets";
    table.number_of_markets = 0;
    auto key = store.OpenKey(kBaseKey);
    if (!key) {
        ZEVO_LOG_SYSTEM_ERROR(&log, op, Fmt("Cannot open registry for %s.", kBaseKey));
        return;
    }
    if (!platform::QueryString(*key, settings::kRepoConfigFilePath, kPathLimit,
                               &table.common_config_file_path)) {
        ZEVO_LOG_SYSTEM_ERROR(&log, op,
                              Fmt("Cannot query registry. Error = %ld.", platform::LastError()));
        return;
    }
    ZEVO_LOG_DETAIL(
        &log, op, Fmt("Read common config file path = %s", table.common_config_file_path.c_str()));
}

// Reads one installed market's values into its slot. Returns false when a value the gateway
// cannot run without is missing, which ends the whole scan.
static bool ReadMarket(MarketSettings& slot, const platform::SettingsKey& key, int index,
                       bool& anyFix, ActivityLog& log) {
    const char* const op = kInitOp;
    auto missing = [&](const char* name) {
        ZEVO_LOG_SYSTEM_ERROR(&log, op, Fmt("Cannot query registry for %s.", name));
        return false;
    };
    if (!platform::QueryDword(key, settings::kNonInteractivePort,
                              &slot.interface_thread_non_interactive_port)) {
        return missing(settings::kNonInteractivePort);
    }
    ZEVO_LOG_DETAIL(&log, op,
                    Fmt("Read interface_thread_non_interactive_port = %d",
                        slot.interface_thread_non_interactive_port));
    if (!platform::QueryDword(key, settings::kInteractivePort,
                              &slot.interface_thread_interactive_port)) {
        return missing(settings::kInteractivePort);
    }
    ZEVO_LOG_DETAIL(
        &log, op,
        Fmt("Read interface_thread_interactive_port = %d", slot.interface_thread_interactive_port));
    if (!platform::QueryString(key, settings::kConfigFilePath, kPathLimit,
                               &slot.config_file_path)) {
        return missing(settings::kConfigFilePath);
    }
    ZEVO_LOG_DETAIL(&log, op, Fmt("Read QEL config file path = %s", slot.config_file_path.c_str()));
    if (platform::QueryString(key, settings::kFixConfigFilePath, kPathLimit,
                              &slot.fix_config_file_path)) {
        fix_enabled[index] = 1;
        anyFix = true;
        ZEVO_LOG_DETAIL(&log, op, Fmt("Market %s is FIX enabled", MarketName(index + 1)));
        ZEVO_LOG_DETAIL(&log, op,
                        Fmt("Read FIX config file path = %s", slot.fix_config_file_path.c_str()));
    } else {
        ZEVO_LOG_SYSTEM_ERROR(&log, op,
                              Fmt("Cannot query registry for %s.", settings::kFixConfigFilePath));
        fix_enabled[index] = 0;
    }
    return true;
}

namespace {

// The installed markets' values, in code order, until a market lacks one its gateway needs.
void ReadMarkets(InstalledMarkets& table, const platform::SettingsStore& store, ActivityLog& log,
                 MarketMenu* menu) {
    const char* const op = kInitOp;
    bool anyFix = false;
    for (int i = 0; i < kMarketCount; ++i) {
        const int code = i + 1;
        auto key = store.OpenKey(Fmt("%s\\%d", kBaseKey, code));
        if (!key) {
            ZEVO_LOG_ACTIVITY(&log, op, Fmt("Market %s is not installed", MarketName(code)));
            continue;
        }
        ++table.number_of_markets;
        ZEVO_LOG_ACTIVITY(&log, op, Fmt("Market %s is installed", MarketName(code)));
        table.markets[i].type = code;
        if (!ReadMarket(table.markets[i], *key, i, anyFix, log)) {
            return;
        }
        if (menu && menu->HasMenu()) {
            EnableMarketMenu(log, *menu, i);
        }
    }
    if (!anyFix && menu && menu->HasMenu()) {
        menu->GrayFixPopups();
    }
}

// The gateways' account, where the installation names it (an optional value).
std::string NamedGatewayAccount(const platform::SettingsStore& store) {
    std::string account;
    auto key = store.OpenKey(kBaseKey);
    if (!key || !platform::QueryString(*key, settings::kGatewayAccount, kPathLimit, &account)) {
        return {};
    }
    return account;
}

}  // namespace

void InitTypesOfMarketsConfigFilePathsAndPorts(InstalledMarkets& table,
                                               const platform::SettingsStore& store,
                                               ActivityLog& log, MarketMenu* menu) {
    table.number_of_markets = 0;
    for (int i = 0; i < kMarketCount; ++i) {
        table.markets[i].type = -1;
        fix_enabled[i] = 0;
    }
    table.gateway_account = NamedGatewayAccount(store);
    ReadMarkets(table, store, log, menu);
    RecordInstallation(table);
}
