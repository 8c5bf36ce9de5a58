#include "core/GatewayProcess.h"

#include <pwd.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "core/InstalledMarkets.h"
#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/Accounts.h"
#include "platform/ProcessList.h"

const platform::ProcessList& GatewayProcessList() {
    static const platform::ProcProcessList list("/proc", "qel_ip_");
    return list;
}

namespace {
// Written once while the installation is read at start-up, before any thread asks.
InstalledMarkets g_installation;
}  // namespace

std::int64_t GatewayAccount(const InstalledMarkets& table, int market) {
    if (!table.gateway_account.empty()) {
        const passwd* account = getpwnam(table.gateway_account.c_str());
        return account ? account->pw_uid : kNoAccount;
    }
    if (!table.IsInstalled(market)) {
        return kNoAccount;
    }
    const std::string& path = table.markets[market - 1].config_file_path;
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 ? info.st_uid : kNoAccount;
}

void RecordInstallation(const InstalledMarkets& table) {
    g_installation = table;
}

std::int64_t GatewayAccountOf(int market) {
    return GatewayAccount(g_installation, market);
}

std::string MarketNameOfFile(const std::string& path) {
    for (const MarketSettings& market : g_installation.markets) {
        if (market.type != -1 &&
            (path == market.config_file_path || path == market.fix_config_file_path)) {
            return MarketName(market.type);
        }
    }
    return path == g_installation.common_config_file_path && !path.empty() ? "COMMON" : "";
}

int qel_status_query(int marketCode, const platform::ProcessList& processes, ActivityLog& log,
                     std::int64_t account, std::int64_t* impostor) {
    const std::string name = IsMarketCode(marketCode)
                                 ? Fmt("qel_ip_%s.exe", MarketLowerName(marketCode))
                                 : std::string();
    if (impostor) {
        *impostor = kNoAccount;
    }
    std::vector<platform::RunningProcess> running;
    long error = 0;
    if (!processes.Snapshot(&running, &error)) {
        ZEVO_LOG_SYSTEM_ERROR(
            &log, "CZEVOClientPHASE4Dlg::qel_status_query",
            Fmt("Error in CreateToolhelp32Snapshot(). Cannot retrieve snapshot for "
                "processes. Error [%ld]",
                error));
        return 0;
    }
    if (name.empty()) {
        return 0;
    }
    for (const platform::RunningProcess& process : running) {
        if (!text::EqualsIgnoreCase(process.name, name)) {
            continue;
        }
        if (account != kNoAccount && process.uid == account) {
            return 1;
        }
        if (impostor) {
            *impostor = process.uid;
        }
    }
    return 0;
}

std::string ImpostorText(int marketCode, std::int64_t impostor, std::int64_t account) {
    const std::string program =
        IsMarketCode(marketCode) ? Fmt("qel_ip_%s.exe", MarketLowerName(marketCode)) : "";
    if (account == kNoAccount) {
        return Fmt(
            "%s runs as uid %lld, and the gateways' account is not known (the market's "
            "configuration file cannot be looked at)",
            program.c_str(), static_cast<long long>(impostor));
    }
    return Fmt("%s runs as uid %lld, not as the gateways' account %s (uid %lld)", program.c_str(),
               static_cast<long long>(impostor),
               platform::AccountName(static_cast<uid_t>(account)).c_str(),
               static_cast<long long>(account));
}
