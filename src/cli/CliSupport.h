#pragma once

#include <QJsonObject>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/InstalledMarkets.h"
#include "log/ActivityLog.h"
#include "log/LogSite.h"
#include "platform/ProcessList.h"

class CommandLine;

// What zevo-cli's commands share: exit statuses, messages, the installation as the console
// reads it, and waiting for a gateway.
namespace cli {

// Exit statuses, as monitoring plug-ins give them.
constexpr int kUsage = 64;
constexpr int kFailed = 1;      // WARNING, or refused with the file untouched
constexpr int kNotRunning = 2;  // CRITICAL: an installed gateway is down
constexpr int kUnknown = 3;     // the installation or the process table cannot be read
constexpr int kPartly = 4;      // saved, but what follows the save (FIX file, restart) failed
constexpr int kRolledBack = 5;  // a confirmed save the gateway did not run on: rolled back

// How long a command waits for a gateway (--timeout SECONDS).
extern int g_connectMilliseconds;

// Says `text` on standard error, after "zevo-cli: "; returns kFailed.
int Fail(const std::string& text);
// The same with another status.
int Fail(int status, const std::string& text);

// A display text as a machine word: lower case, blanks as '_', no closing full stop
// ("Logged Off." -> "logged_off").
std::string MachineWord(const std::string& text);
void PrintJson(const QJsonObject& object);

// --json of a changing command: its text lines go nowhere and, when the program ends, one
// JSON object says what it did, "changed" first among its members (for configuration
// management: a second run of the same change says false).
void StartReport();
void Report(const char* key, const QJsonValue& value);
// Prints the report, when one was started, on the standard output the program began with.
void FinishReport();

// The installation as the console reads it at start. A command that only looks writes no
// activity-log line (and so never touches the console's log files); one that changes
// something writes the window's lines for it.
struct Installation {
    explicit Installation(bool writesLog = true);
    // Writes the command's held lines, unless it said that it changed nothing.
    ~Installation();
    // A run that changes nothing (a second run of the same change) writes no line.
    void NothingChanged() { nothingChanged = true; }
    // QEL_IP_PROC_ROOT names another process table than /proc (a container's, or a test's).
    const platform::ProcessList& Processes();
    bool Runs(int market);
    const MarketSettings& Market(int code) const { return table.markets[code - 1]; }
    std::uint16_t Port(int code) const {
        return static_cast<std::uint16_t>(Market(code).interface_thread_interactive_port);
    }

    InstalledMarkets table;
    std::string unreadable;  // why the settings store cannot serve; empty when it can
    // The log a command writes: its lines are held until it keeps them (log.Keep()) once it
    // changes something; a look, or an installation that cannot be read, writes none.
    std::unique_ptr<ActivityLog> logFile;
    ActivityLog& log;
    std::unique_ptr<platform::ProcProcessList> procRoot;
    bool nothingChanged = false;
};

// Why the settings store cannot serve: empty when it names at least one market.
std::string UnreadableInstallation(const Installation& installation);
// Every command's first step after reading the installation: 0 when it can serve, else
// kUnknown after saying why (the store missing, empty, unreadable, a folder, no market).
int Unusable(const Installation& installation);

// A market's code from its name or number; 0 when it is neither.
int MarketCode(const std::string& text);
// The installed market named by `text`, or 0 after saying why not.
int InstalledMarket(const Installation& installation, const std::string& text);

// Runs the event loop until `done` holds or `milliseconds` pass; returns `done()`. Between
// events it sleeps.
bool RunUntil(const std::function<bool()>& done, int milliseconds);

// A dialog's restart request to the market's gateway, with the dialog's lines; true once it
// was sent, false after saying why not.
bool RequestRestart(Installation& installation, int market, const LogSite& site,
                    const char* operation);

// The main window's Start Applications, with its lines; false when the service did not take
// the control.
bool StartApplications(ActivityLog* log);

// --confirm SECONDS: 0 without it; -1 after saying why the value or the options do not fit
// (a confirmed save restarts the gateway, so it does not go with --no-restart or --dry-run).
int ConfirmSeconds(const ::CommandLine& line);
// Runs `afterSave` (the save's restart and start, returning an exit status) as a confirmed
// save: unless the gateway runs again with an accepted version within `seconds`, the files go
// back to `before` and the gateway is restarted on them; then kRolledBack.
int ConfirmSave(Installation& installation, int market,
                const std::vector<std::pair<std::string, std::string>>& before, int seconds,
                const LogSite& site, const char* operation, const std::function<int()>& afterSave);

}  // namespace cli
