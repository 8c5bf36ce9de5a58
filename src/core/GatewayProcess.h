#pragma once

#include <cstdint>
#include <string>

class ActivityLog;
struct InstalledMarkets;
namespace platform {
class ProcessList;
}

// The account a market's gateway runs as: the one the installation's ZEVO_GATEWAY_ACCOUNT
// value names, else the owner of the market's configuration file, which another account
// cannot change. kNoAccount when the named account does not exist, the file cannot be looked
// at or the market is not installed.
inline constexpr std::int64_t kNoAccount = -1;
std::int64_t GatewayAccount(const InstalledMarkets& table, int market);
// The same for the installation read at start-up, which the reading records here for the
// links made below the window (a page's connection, a restart request, a users query).
void RecordInstallation(const InstalledMarkets& table);
std::int64_t GatewayAccountOf(int market);
// The name of the market whose configuration or FIX file `path` is in the recorded
// installation, "COMMON" for the common file, empty for any other.
std::string MarketNameOfFile(const std::string& path);
// The machine's processes as the gateway check needs them: only names that begin with
// "qel_ip_" are looked at closely.
const platform::ProcessList& GatewayProcessList();

// 1 when a process of `account` runs under the market's gateway executable name
// "qel_ip_<market>.exe" (case ignored), 0 otherwise, for codes outside 1..7 and when the
// process list cannot be taken (logged). Any account may start a program of that name: one
// under another account is not the gateway, and `impostor` (when given) receives its uid, or
// kNoAccount when there is none.
int qel_status_query(int marketCode, const platform::ProcessList& processes, ActivityLog& log,
                     std::int64_t account, std::int64_t* impostor = nullptr);

// "qel_ip_cm.exe runs as uid 1002, not as the gateways' account root (uid 0)": what the
// console and zevo-cli say of an impostor.
std::string ImpostorText(int marketCode, std::int64_t impostor, std::int64_t account);
