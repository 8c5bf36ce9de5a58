#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "log/LogSite.h"

// A market's gateway configuration file as the configuration dialog and zevo-cli both edit
// it: the nine values they read, the rules a save must pass, and the save itself with the
// FIX file update that a new broker ID or local address brings. Plain code: the dialog and
// zevo-cli hold the form and show the messages; the lines written here are the dialog's.
//
// A save changes exactly what the operator changed. A value the operator left as it was
// shown is not written back at all, so its bytes stay as they are in the file (a value
// longer than its field, bytes that are not UTF-8, leading zeros, duplicates); a key the
// file lacks is added.

// The keys in the order the dialog reads them.
enum class GatewayKey {
    MachineLanIp,
    MachineWanIp,
    HostMachineIp,
    PrimaryHostIp,
    BcpHostIp,
    CurrentConfig,
    HostPortNumber,
    BoxId,
    BrokerId,
    Count
};
const char* GatewayKeyName(GatewayKey key);

// What the file holds: texts byte for byte as read (without the line end), numbers as the
// integer lookup converts them, and which keys were found.
struct GatewayConfigRead {
    std::string localIp, wanIp, hostMachineIp, primaryHostIp, bcpHostIp, brokerId;
    // The CURRENT_CONFIG text as the dialog keeps it: "PRIMARY" in place of an unknown
    // value, left as the caller had it when the key is missing.
    std::string currentConfig;
    std::string currentConfigRead;  // as in the file
    int hostPort = 0;
    int boxId = 0;
    std::array<bool, static_cast<int>(GatewayKey::Count)> found{};

    bool Found(GatewayKey key) const { return found[static_cast<int>(key)]; }
    bool BcpSelected() const;
};

// Reads the nine keys and writes the dialog's reading lines (operation
// read_configuration_parameters under log_sites::GatewayConfiguration()). False when the file
// cannot be opened; the open-failure line is written then, and `read` is incomplete.
bool ReadGatewayConfiguration(const std::string& path, ActivityLog* log, GatewayConfigRead* read);

// The values of a market's gateway configuration as the configuration form holds them:
// addresses as "%d.%d.%d.%d" (empty when blank), numbers as typed, the broker ID as bytes
// (those read when the operator left the field alone).
struct GatewayConfigValues {
    std::string localIp;
    std::string wanIp;
    std::string hostIp;
    std::string bcpIp;
    std::string hostPort;
    std::string boxId;
    std::string brokerId;
    int radioPrimary = 0;  // 0 primary host, 1 BCP host
};

// What the form shows right after reading.
GatewayConfigValues ShownValues(const GatewayConfigRead& read);

// How the form differs from what was read, as the Save button sees it (texts compared
// without regard to case, numbers by value).
struct GatewayConfigChanges {
    bool any = false;
    bool localIp = false;
    bool brokerId = false;
};
GatewayConfigChanges CompareWithRead(const GatewayConfigValues& form,
                                     const GatewayConfigRead& read);

// The value a rule refused, so that the form can show the value read from the file again.
enum class GatewayConfigField {
    None,
    LocalIp,
    WanIp,
    HostIp,
    HostPort,
    BcpIp,
    BoxId,
    BrokerId,
    Selection
};

struct GatewayConfigRuleBreak {
    GatewayConfigField field = GatewayConfigField::None;
    bool restore = false;  // the refused value is replaced by the one read
    std::string box;       // the message shown, caption "Error"; empty when none is shown
    unsigned icon = 0;     // platform::MB_* flags of that message
};

// Checks the configuration form's rules in its order: blank values, 0.0.0.0 addresses (the
// BCP address only when the BCP host is chosen), the host port in 1..65535 and the box ID
// in 1..32767. Writes the form's lines (operation validate_parameters). `field` is None
// when every rule holds.
GatewayConfigRuleBreak CheckGatewayConfiguration(const GatewayConfigValues& values, int marketType,
                                                 ActivityLog* log);

// A key a save would write: its value in the file (empty when the file lacks it) and the new.
struct GatewayChange {
    std::string key;
    std::string from;
    std::string to;
};
// What a save of `form` would write, in the order it writes it; empty when the form changes
// nothing, in which case a save writes nothing.
std::vector<GatewayChange> GatewayChangesToSave(const GatewayConfigRead& read,
                                                const GatewayConfigValues& form);

// Where a market's files are, and whether it has a FIX side.
struct GatewayConfigTarget {
    int market = 0;
    std::string configPath;
    std::string fixConfigPath;
    std::uint16_t interactivePort = 0;
    bool fixEnabled = false;
};
// The market's files and port, and whether the installation enables its FIX side.
GatewayConfigTarget GatewayTargetOf(int market, const std::string& configPath,
                                    const std::string& fixConfigPath,
                                    std::uint16_t interactivePort);

// Another writer's change to a value this save changes too: the key, the value the form was
// read with (`from`, empty when the key was missing) and the value the file holds now (`to`).
using GatewayConflict = GatewayChange;

struct GatewaySaveResult {
    enum Outcome {
        Saved,
        Invalid,
        UpdateFailed,
        CannotOpen,
        Busy,      // another writer holds the configuration; nothing was written
        Conflict,  // a value the operator changed was changed by someone else; nothing written
        Refused,   // a file the save must change cannot be written as it must; nothing written
    } outcome = Saved;
    GatewayConfigRuleBreak broken;           // for Invalid
    std::vector<GatewayConflict> conflicts;  // for Conflict
    int pairsWritten = 0;         // changed or added keys; 0 when the file stayed as it was
    bool fixFileUpdated = false;  // the FIX file update ran (it reports its own failures)
    bool fixFileWritten = false;  // ... and put the new FIX file in place
    std::string error;            // why, for UpdateFailed, CannotOpen, Busy and Refused
};

struct GatewaySaveOptions {
    // Write the operator's values even where someone else changed the same keys since the
    // form was read (the operator was told and chose to).
    bool overwrite = false;
};

// The files a save of the market may change: its gateway file and, on a FIX market, its FIX
// file. A writer takes the configuration lock of these before it reads.
std::vector<std::string> GatewaySaveFiles(const GatewayConfigTarget& target);

// Whether the market's FIX file disagrees with the broker ID and local address that `current`
// (the gateway file as it is now) holds: a save that was interrupted between the two files
// left it so, and the next save completes it. False for a market without a FIX file, or when
// the FIX file cannot be read (the update would report that).
bool FixFileLags(const GatewayConfigTarget& target, const GatewayConfigRead& current);

// The save after the form was read and the operator confirmed, as one transaction (see
// ConfigTransaction): the rules; then, under the configuration lock, the gateway file is
// read again, and only the values the operator changed are written, over what the file
// holds now (a value someone else changed meanwhile that this save changes too is a
// Conflict unless `options.overwrite`). On a FIX market whose broker ID or local address
// changed, or whose FIX file lags behind the gateway file, the FIX file is updated with the
// broker ID and local address the gateway file holds after this save, with the FIX users
// list's opening lines and recovery step; a FIX file that cannot be written refuses the
// whole save before anything is written. Restarting the gateway and telling the operator
// are the caller's.
GatewaySaveResult SaveGatewayConfiguration(const GatewayConfigTarget& target,
                                           const GatewayConfigRead& read,
                                           const GatewayConfigValues& form, ActivityLog* log,
                                           const GatewaySaveOptions& options = {});
