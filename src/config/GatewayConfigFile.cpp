#include "config/GatewayConfigFile.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "base/Text.h"
#include "config/ConfigTransaction.h"
#include "config/FixSessionFile.h"
#include "config/IpAddress.h"
#include "config/KeyValueFile.h"
#include "core/InstalledMarkets.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"

namespace {

constexpr int kValueSize = 1024;
constexpr const char* kRead = "read_configuration_parameters";
constexpr const char* kSave = "save_configuration_parameters";

const char* const kKeyNames[] = {"MACHINE_LAN_IP",   "MACHINE_WAN_IP", "HOST_MACHINE_IP",
                                 "PRIMARY_HOST_IP",  "BCP_HOST_IP",    "CURRENT_CONFIG",
                                 "HOST_PORT_NUMBER", "BOX_ID",         "BROKER_ID"};

void Log(ActivityLog* log, LogLevel level, const char* operation, const std::string& text) {
    LogAt(log, level, log_sites::GatewayConfiguration(), operation, text);
}

// An address as the form's address control shows it.
std::string Shown(const std::string& address) {
    int octets[4];
    ParseIpAddress(address, octets);
    return FormatIpAddress(octets);
}

enum class Lookup { Found, Missing, FileGone };

// Looks one key up as the dialog does; a missing key is logged, a file that cannot be opened
// too (the first key's line has no full stop).
Lookup ReadKey(const std::string& path, GatewayKey key, ActivityLog* log, std::string* text,
               int* number) {
    const char* name = GatewayKeyName(key);
    char buffer[kValueSize] = {0};
    int value = 0;
    const int result = number ? get_int_parameter(path.c_str(), name, &value)
                              : get_string_parameter(path.c_str(), name, buffer, kValueSize);
    if (result == kv::kCannotOpen) {
        Log(log, LogLevel::Event, kRead,
            key == GatewayKey::MachineLanIp ? "ZEVO could not open QEL config file"
                                            : "ZEVO could not open QEL config file.");
        if (const std::string why = platform::WhyNotEditableText(path); !why.empty()) {
            Log(log, LogLevel::Event, kRead, path + ": " + why);
        }
        return Lookup::FileGone;
    }
    if (result == kv::kNotFound) {
        Log(log, LogLevel::Event, kRead, Fmt("Cannot read %s from config file.", name));
        return Lookup::Missing;
    }
    if (number) {
        *number = value;
    } else {
        *text = buffer;
    }
    return Lookup::Found;
}

// After CURRENT_CONFIG was read: an unknown value is taken as the primary host.
void SettleCurrentConfig(GatewayConfigRead* read, ActivityLog* log) {
    if (text::EqualsIgnoreCase(read->currentConfig, "BCP") ||
        text::EqualsIgnoreCase(read->currentConfig, "PRIMARY")) {
        return;
    }
    Log(log, LogLevel::Detail, kRead, "Unknown value of CURRENT_CONFIG flag");
    Log(log, LogLevel::Detail, kRead, "Setting default values");
    read->currentConfig = "PRIMARY";
    Log(log, LogLevel::Detail, kRead, Fmt("CURRENT_CONFIG set to %s", read->currentConfig.c_str()));
    Log(log, LogLevel::Detail, kRead, "Configuration (Radio Button) set to Primary");
}

struct Pair {
    GatewayKey key;
    std::string value;
    bool unchanged;  // the operator left what the form showed as it was
};

// The eight values a save stores, in the order the gateway reads them, each marked with
// whether the operator changed it.
std::vector<Pair> PairsToSave(const GatewayConfigRead& read, const GatewayConfigValues& form) {
    const GatewayConfigValues shown = ShownValues(read);
    const bool primary = form.radioPrimary == 0;
    const std::string hostInUse = primary ? form.hostIp : form.bcpIp;
    const std::string hostInUseRead = read.BcpSelected() ? shown.bcpIp : shown.hostIp;
    return {
        {GatewayKey::MachineLanIp, form.localIp, form.localIp == shown.localIp},
        {GatewayKey::MachineWanIp, form.wanIp, form.wanIp == shown.wanIp},
        {GatewayKey::HostMachineIp, hostInUse, hostInUse == hostInUseRead},
        {GatewayKey::HostPortNumber, Fmt("%d", text::AtoiClamped(form.hostPort)),
         text::AtoiClamped(form.hostPort) == read.hostPort},
        {GatewayKey::BoxId, Fmt("%d", text::AtoiClamped(form.boxId)),
         text::AtoiClamped(form.boxId) == read.boxId},
        {GatewayKey::BrokerId, form.brokerId, form.brokerId == read.brokerId},
        {GatewayKey::PrimaryHostIp, form.hostIp, form.hostIp == shown.hostIp},
        {GatewayKey::CurrentConfig, primary ? "PRIMARY" : "BCP", primary != read.BcpSelected()},
    };
}

// The value of `key` as the file holds it (numbers as read).
std::string ValueInFile(const GatewayConfigRead& read, GatewayKey key) {
    switch (key) {
        case GatewayKey::MachineLanIp:
            return read.localIp;
        case GatewayKey::MachineWanIp:
            return read.wanIp;
        case GatewayKey::HostMachineIp:
            return read.hostMachineIp;
        case GatewayKey::PrimaryHostIp:
            return read.primaryHostIp;
        case GatewayKey::CurrentConfig:
            return read.currentConfigRead;
        case GatewayKey::HostPortNumber:
            return Fmt("%d", read.hostPort);
        case GatewayKey::BoxId:
            return Fmt("%d", read.boxId);
        case GatewayKey::BrokerId:
            return read.brokerId;
        default:
            return {};
    }
}

// Writes `changes` with the key=value writer; returns its result (1 when nothing needed
// writing).
int WriteChanges(const std::string& path, const std::vector<GatewayChange>& changes,
                 char* errorText) {
    char keys[8][40] = {}, values[8][40] = {};
    int count = 0;
    for (const GatewayChange& change : changes) {
        std::snprintf(keys[count], sizeof keys[count], "%s", change.key.c_str());
        std::snprintf(values[count], sizeof values[count], "%s", change.to.c_str());
        ++count;
    }
    return write_configuration_parameters(path.c_str(), keys, values, count, errorText);
}

}  // namespace

const char* GatewayKeyName(GatewayKey key) {
    const int index = static_cast<int>(key);
    return index >= 0 && index < static_cast<int>(GatewayKey::Count) ? kKeyNames[index] : "";
}

bool GatewayConfigRead::BcpSelected() const {
    return text::EqualsIgnoreCase(currentConfig, "BCP");
}

bool ReadGatewayConfiguration(const std::string& path, ActivityLog* log, GatewayConfigRead* read) {
    Log(log, LogLevel::Activity, kRead,
        Fmt("Reading QEL config parameters from file %s", path.c_str()));
    auto text = [&](GatewayKey key, std::string* value) {
        const Lookup found = ReadKey(path, key, log, value, nullptr);
        read->found[static_cast<int>(key)] = found == Lookup::Found;
        return found;
    };
    auto number = [&](GatewayKey key, int* value) {
        const Lookup found = ReadKey(path, key, log, nullptr, value);
        read->found[static_cast<int>(key)] = found == Lookup::Found;
        return found;
    };
    read->bcpHostIp = "0.0.0.0";
    if (text(GatewayKey::MachineLanIp, &read->localIp) == Lookup::FileGone) {
        return false;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("MACHINE_LAN_IP = %s", read->localIp.c_str()));
    if (text(GatewayKey::MachineWanIp, &read->wanIp) == Lookup::FileGone) {
        return false;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("MACHINE_WAN_IP = %s", read->wanIp.c_str()));
    if (text(GatewayKey::HostMachineIp, &read->hostMachineIp) == Lookup::FileGone) {
        return false;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("HOST_MACHINE_IP = %s", read->hostMachineIp.c_str()));
    const Lookup primary = text(GatewayKey::PrimaryHostIp, &read->primaryHostIp);
    if (primary == Lookup::FileGone) {
        return false;
    }
    if (primary == Lookup::Missing) {
        Log(log, LogLevel::Detail, kRead, "Copying HOST_IP to PRIMARY_HOST_IP.");
        read->primaryHostIp = read->hostMachineIp;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("PRIMARY_HOST_IP = %s", read->primaryHostIp.c_str()));
    if (text(GatewayKey::BcpHostIp, &read->bcpHostIp) == Lookup::FileGone) {
        return false;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("BCP_HOST_IP = %s", read->bcpHostIp.c_str()));
    const Lookup current = text(GatewayKey::CurrentConfig, &read->currentConfigRead);
    if (current == Lookup::FileGone) {
        return false;
    }
    if (current == Lookup::Found) {
        read->currentConfig = read->currentConfigRead;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("CURRENT_CONFIG = %s", read->currentConfig.c_str()));
    SettleCurrentConfig(read, log);
    if (number(GatewayKey::HostPortNumber, &read->hostPort) == Lookup::FileGone) {
        return false;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("HOST_PORT_NUMBER = %d", read->hostPort));
    if (number(GatewayKey::BoxId, &read->boxId) == Lookup::FileGone) {
        return false;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("BOX_ID = %d", read->boxId));
    if (text(GatewayKey::BrokerId, &read->brokerId) == Lookup::FileGone) {
        return false;
    }
    Log(log, LogLevel::Detail, kRead, Fmt("BROKER_ID = %s", read->brokerId.c_str()));
    return true;
}

GatewayConfigValues ShownValues(const GatewayConfigRead& read) {
    GatewayConfigValues shown;
    shown.localIp = Shown(read.localIp);
    shown.wanIp = Shown(read.wanIp);
    shown.hostIp = Shown(read.primaryHostIp);
    shown.bcpIp = Shown(read.bcpHostIp);
    shown.hostPort = Fmt("%d", read.hostPort);
    shown.boxId = Fmt("%d", read.boxId);
    shown.brokerId = read.brokerId;
    shown.radioPrimary = read.BcpSelected() ? 1 : 0;
    return shown;
}

GatewayConfigChanges CompareWithRead(const GatewayConfigValues& form,
                                     const GatewayConfigRead& read) {
    using text::EqualsIgnoreCase;
    const GatewayConfigValues shown = ShownValues(read);
    GatewayConfigChanges changes;
    changes.localIp = !EqualsIgnoreCase(form.localIp, shown.localIp);
    changes.brokerId = !EqualsIgnoreCase(form.brokerId, read.brokerId);
    const char* selected = form.radioPrimary == 0 ? "PRIMARY" : form.radioPrimary == 1 ? "BCP" : "";
    changes.any = changes.localIp || changes.brokerId ||
                  !EqualsIgnoreCase(form.wanIp, shown.wanIp) ||
                  !EqualsIgnoreCase(form.hostIp, shown.hostIp) ||
                  !EqualsIgnoreCase(form.bcpIp, shown.bcpIp) ||
                  text::AtoiClamped(form.hostPort) != read.hostPort ||
                  text::AtoiClamped(form.boxId) != read.boxId ||
                  !EqualsIgnoreCase(selected, read.currentConfig);
    return changes;
}

GatewayConfigRuleBreak CheckGatewayConfiguration(const GatewayConfigValues& values, int marketType,
                                                 ActivityLog* log) {
    const LogSite& site = log_sites::GatewayConfiguration();
    using Field = GatewayConfigField;
    const unsigned info = platform::MB_OK | platform::MB_ICONINFORMATION;
    auto fail = [&](Field field, bool restore, const std::string& logLine, const std::string& box,
                    unsigned icon) {
        LogAt(log, LogLevel::Activity, site, "validate_parameters", logLine);
        return GatewayConfigRuleBreak{field, restore, box, icon};
    };
    auto note = [&](const char* text) {
        LogAt(log, LogLevel::Activity, site, "validate_parameters", text);
    };
    const bool bcpSelected = values.radioPrimary == 1;
    const char* market = MarketNameOrEmpty(marketType);
    if (values.localIp.empty()) {
        return fail(Field::LocalIp, true, "Local IP is blank", "Local IP can't be blank", info);
    }
    if (values.wanIp.empty()) {
        return fail(Field::WanIp, true, "WAN IP is blank", "WAN IP can't be blank", info);
    }
    if (values.hostIp.empty()) {
        return fail(Field::HostIp, true, "Host IP is blank", "Host IP can't be blank", info);
    }
    if (values.hostPort.empty()) {
        return fail(Field::HostPort, true, "Host port is blank", "Host Port can't be blank", info);
    }
    if (!bcpSelected) {
        note("Not doing Blank validation for BCP IP");
    } else if (values.bcpIp.empty()) {
        return fail(Field::BcpIp, false, "BCP IP is blank",
                    Fmt("%s - %s", market, "QEL Setup Error."), platform::MB_OK);
    }
    if (values.boxId.empty()) {
        return fail(Field::BoxId, true, "Box ID is blank", "Box ID can't be blank", info);
    }
    if (values.brokerId.empty()) {
        return fail(Field::BrokerId, true, "Broker ID is blank", "Broker ID can't be blank", info);
    }
    if (values.localIp == "0.0.0.0") {
        return fail(Field::LocalIp, true, "Local IP is 0.0.0.0", "Local IP can't be 0.0.0.0", info);
    }
    if (values.wanIp == "0.0.0.0") {
        return fail(Field::WanIp, true, "WAN IP is 0.0.0.0", "WAN IP can't be 0.0.0.0", info);
    }
    if (values.hostIp == "0.0.0.0") {
        return fail(Field::HostIp, true, "Host IP is 0.0.0.0", "Host IP can't be 0.0.0.0", info);
    }
    if (!bcpSelected) {
        note("Not doing 0.0.0.0 validation for BCP IP");
    } else if (values.bcpIp == "0.0.0.0") {
        return fail(Field::BcpIp, true, "BCP IP is 0.0.0.0",
                    Fmt("%s - %s\nBCP IP can't be 0.0.0.0", market, "QEL Setup Error."), info);
    }
    const int port = text::AtoiClamped(values.hostPort);
    if (port < 1 || port > 65535) {
        return fail(
            Field::HostPort, true,
            Fmt("Host port [%u] is not greater than zero and less than or equal to %u",
                static_cast<unsigned>(port), 65535u),
            Fmt("Host Port value should be greater than zero and less than or equal to %d", 65535),
            info);
    }
    const int boxId = text::AtoiClamped(values.boxId);
    if (boxId < 1 || boxId > 65535 / 2) {
        return fail(
            Field::BoxId, true,
            Fmt("Box ID [%d] is not greater than zero and less than or equal to %u", boxId,
                65535u / 2),
            Fmt("Box ID value should be greater than zero and less than or equal to %d", 65535 / 2),
            info);
    }
    if (values.radioPrimary != 0 && values.radioPrimary != 1) {
        LogAt(log, LogLevel::Detail, site, "validate_parameters",
              Fmt("Invalid value of m_nRadioPrimary [%d]", values.radioPrimary));
        return GatewayConfigRuleBreak{Field::Selection, false, {}, 0};
    }
    return {};
}

std::vector<GatewayChange> GatewayChangesToSave(const GatewayConfigRead& read,
                                                const GatewayConfigValues& form) {
    std::vector<GatewayChange> changes;
    for (const Pair& pair : PairsToSave(read, form)) {
        if (!pair.unchanged || !read.Found(pair.key)) {
            changes.push_back({GatewayKeyName(pair.key),
                               read.Found(pair.key) ? ValueInFile(read, pair.key) : "",
                               pair.value});
        }
    }
    return changes;
}

GatewayConfigTarget GatewayTargetOf(int market, const std::string& configPath,
                                    const std::string& fixConfigPath,
                                    std::uint16_t interactivePort) {
    return {market, configPath, fixConfigPath, interactivePort,
            IsMarketCode(market) && fix_enabled[market - 1] == 1};
}

std::vector<std::string> GatewaySaveFiles(const GatewayConfigTarget& target) {
    std::vector<std::string> files = {target.configPath};
    if (target.fixEnabled && !target.fixConfigPath.empty()) {
        files.push_back(target.fixConfigPath);
    }
    return files;
}

bool FixFileLags(const GatewayConfigTarget& target, const GatewayConfigRead& current) {
    // A broker ID with a comma or a blank would move TargetCompID's parts at every rewrite, so
    // such a file could never agree: it is left to the operator's own save.
    bool agree = true;
    return target.fixEnabled && !target.fixConfigPath.empty() &&
           current.Found(GatewayKey::BrokerId) && current.Found(GatewayKey::MachineLanIp) &&
           current.brokerId.find_first_of(", \t") == std::string::npos &&
           fix_file::BrokerIdAndLocalIpAgree(target.fixConfigPath, current.brokerId,
                                             Shown(current.localIp), &agree) &&
           !agree;
}

namespace {

// The operator's changes whose keys someone else changed too since the form was read; a
// key now holding the very value this save writes is no conflict.
std::vector<GatewayConflict> Conflicts(const GatewayConfigRead& read,
                                       const GatewayConfigRead& current,
                                       const std::vector<GatewayChange>& changes) {
    std::vector<GatewayConflict> conflicts;
    for (const GatewayChange& change : changes) {
        const int index =
            static_cast<int>(std::find(std::begin(kKeyNames), std::end(kKeyNames), change.key) -
                             std::begin(kKeyNames));
        const GatewayKey key = static_cast<GatewayKey>(index);
        const std::string before = read.Found(key) ? ValueInFile(read, key) : "";
        const std::string now = current.Found(key) ? ValueInFile(current, key) : "";
        if (read.Found(key) != current.Found(key) || before != now) {
            if (now != change.to) {
                conflicts.push_back({change.key, before, now});
            }
        }
    }
    return conflicts;
}

// The gateway file's new values as this save leaves them: the operator's where changed, the
// file's own (as it is now) elsewhere.
void ValuesAfterSave(const GatewayConfigRead& read, const GatewayConfigRead& current,
                     const GatewayConfigValues& form, std::string* brokerId, std::string* localIp) {
    *brokerId = form.brokerId == read.brokerId ? current.brokerId : form.brokerId;
    *localIp = form.localIp == Shown(read.localIp) ? Shown(current.localIp) : form.localIp;
}

// The gateway file's rewrite; false after logging a failure as the dialog does.
bool WriteGatewayFile(const GatewayConfigTarget& target, const std::vector<GatewayChange>& changes,
                      ActivityLog* log, GatewaySaveResult* result) {
    char error[kValueSize] = {0};
    result->pairsWritten = static_cast<int>(changes.size());
    const int written =
        changes.empty() ? kv::kNothingChanged : WriteChanges(target.configPath, changes, error);
    if (written != kv::kUpdateFailed && written != kv::kCannotOpen) {
        return true;
    }
    Log(log, LogLevel::Event, kSave, error);
    Log(log, LogLevel::Event, kSave,
        written == kv::kUpdateFailed ? "Parameter(s) updation failed in qel configuration file."
                                     : "ZEVO could not open QEL config file");
    result->outcome = written == kv::kUpdateFailed ? GatewaySaveResult::UpdateFailed
                                                   : GatewaySaveResult::CannotOpen;
    result->error = error;
    return false;
}

// The file went away (or became unreadable) after the form was read: as the writer reports
// a file it cannot open.
void CannotOpen(const GatewayConfigTarget& target, ActivityLog* log, GatewaySaveResult* result) {
    result->error = Fmt("Couldn't open file [%s] in read mode.", target.configPath.c_str());
    Log(log, LogLevel::Event, kSave, result->error);
    Log(log, LogLevel::Event, kSave, "ZEVO could not open QEL config file");
    result->outcome = GatewaySaveResult::CannotOpen;
}

}  // namespace

GatewaySaveResult SaveGatewayConfiguration(const GatewayConfigTarget& target,
                                           const GatewayConfigRead& read,
                                           const GatewayConfigValues& form, ActivityLog* log,
                                           const GatewaySaveOptions& options) {
    GatewaySaveResult result;
    result.broken = CheckGatewayConfiguration(form, target.market, log);
    if (result.broken.field != GatewayConfigField::None) {
        Log(log, LogLevel::Activity, kSave, "Validation(s) failed.");
        result.outcome = GatewaySaveResult::Invalid;
        return result;
    }
    Log(log, LogLevel::Activity, kSave, "Validation(s) Successful.");
    ConfigTransaction transaction(GatewaySaveFiles(target), log, log_sites::GatewayConfiguration(),
                                  kSave);
    if (!transaction.Locked()) {
        result.outcome = GatewaySaveResult::Busy;
        result.error = transaction.Refusal();
        return result;
    }
    // What the file holds now, read quietly: the form's reading lines were written when it
    // was read.
    GatewayConfigRead current;
    if (!ReadGatewayConfiguration(target.configPath, nullptr, &current)) {
        CannotOpen(target, log, &result);
        return result;
    }
    const std::vector<GatewayChange> changes = GatewayChangesToSave(read, form);
    result.conflicts = Conflicts(read, current, changes);
    if (!result.conflicts.empty() && !options.overwrite) {
        result.outcome = GatewaySaveResult::Conflict;
        return result;
    }
    std::string brokerId, localIp;
    ValuesAfterSave(read, current, form, &brokerId, &localIp);
    const GatewayConfigChanges changed = CompareWithRead(form, read);
    const bool fixUpdate =
        target.fixEnabled && (changed.brokerId || changed.localIp || FixFileLags(target, current));
    if (!transaction.MayReplace(target.configPath) ||
        (fixUpdate &&
         !transaction.MayReplace(target.fixConfigPath, true,
                                 fix_file::TemporaryPath(target.fixConfigPath, target.market)))) {
        result.outcome = GatewaySaveResult::Refused;
        result.error = transaction.Refusal();
        return result;
    }
    if (!WriteGatewayFile(target, changes, log, &result)) {
        return result;
    }
    if (fixUpdate) {
        // What the FIX users list does when it is made for this one update: its opening
        // lines and the recovery of an interrupted rewrite, then the rewrite itself.
        fix_file::OpenFixUsers(target.market, target.configPath, target.fixConfigPath,
                               target.interactivePort, log, log_sites::FixUsers());
        result.fixFileWritten =
            fix_file::ChangeBrokerIdAndLocalIp(
                target.fixConfigPath, fix_file::TemporaryPath(target.fixConfigPath, target.market),
                brokerId, localIp, log, log_sites::FixUsers()) == fix_file::Outcome::Written;
        result.fixFileUpdated = true;
    }
    Log(log, LogLevel::Activity, kSave,
        "Parameter(s) updated successfully in QEL configuration file.");
    return result;
}
