#pragma once

#include <string>
#include <vector>

#include "config/FixSessionFile.h"
#include "log/LogSite.h"

class ActivityLog;

// What the FIX users list and the FIX user details decide, without their windows: the keys
// the list reads, its users, the details' rules and the TargetCompID value they write. The
// dialogs and zevo-cli both go through these, so the same inputs give the same files, lines
// and messages.
namespace fix_users {

// Box texts of the two dialogs.
inline constexpr const char* kSetupError = "QEL Setup Error.";
inline constexpr const char* kNoBrokerId = "Please configure Broker ID in QEL Configuration.";
inline constexpr const char* kMaximumReached =
    "Maximum User limit is reached. New User cannot be added.";
inline constexpr const char* kCannotOpenFixFile = "Can not open FIX config file";
inline constexpr const char* kRestartNotice = "QEL will restart to take changes into effect.";

// The keys of the gateway configuration file the list needs.
struct GatewayKeys {
    std::string brokerId;
    int maxUsers = 0;  // MAX_TWS_CLIENTS
};
enum class KeysRead {
    Read,
    CannotOpen,  // "QEL Setup Error."
    NoBrokerId,  // "Please configure Broker ID in QEL Configuration."
    NoMaxUsers,  // the list closes without a box
};
// Reads BROKER_ID and MAX_TWS_CLIENTS with the list's lines (operation OnInitDialog).
KeysRead ReadGatewayKeys(const std::string& configPath, ActivityLog* log, const LogSite& site,
                         GatewayKeys* keys);

// The broker ID the gateway configuration file holds now, read without lines; `fallback`
// when it cannot be read (or no path is given).
std::string BrokerIdNow(const std::string& configPath, const std::string& fallback);

// The list's users with its lines (operation RefreshList); false, logged, when the FIX file
// cannot be opened.
bool LoadUsers(const std::string& fixPath, ActivityLog* log, const LogSite& site,
               std::vector<fix_file::FixUser>* users);

// New adds a user only below the maximum (a signed comparison).
inline bool MayAddUser(int users, int maxUsers) {
    return users < maxUsers;
}

// The details' opening lines (operation CFixUserDetails) and the recovery step; returns what
// fix_file::Recover returns.
int OpenUserDetails(int marketType, const std::string& userId, const std::string& memberId,
                    const std::string& branchId, const std::string& fixPath, int modification,
                    ActivityLog* log, const LogSite& site);

// Save is offered while a field's number differs from the number it started with.
bool FieldsChanged(const std::string& userField, const std::string& userStored,
                   const std::string& branchField, const std::string& branchStored);

enum class Field { None, UserId, BranchId };
struct FieldRuleBreak {
    Field field = Field::None;  // the field whose initial text is put back
    const char* box = "";       // the "Error" box's text
};
// The details' rules, in their order: blank user, blank branch, zero user, zero branch. A
// broken rule is logged (operation ValidateParameters).
FieldRuleBreak CheckUserFields(const std::string& userField, const std::string& branchField,
                               ActivityLog* log, const LogSite& site);

// "Validation(s) Successful." or "Validation(s) failed." (operation
// SaveFixConfigurationParameters), after the rules were checked.
void LogValidation(bool passed, ActivityLog* log, const LogSite& site);

// The TargetCompID value the details write: user, member (broker) and branch ID, each field
// as stored while it still shows the stored text, as its number otherwise ("0012" is 12).
std::string TargetCompIdValue(const std::string& userField, const std::string& userStored,
                              const std::string& memberId, const std::string& branchField,
                              const std::string& branchStored);

// The box text of a refused duplicate, and its lines (operation
// SaveFixConfigurationParameters).
std::string DuplicateText(int userId);
void LogDuplicate(int userId, ActivityLog* log, const LogSite& site);

}  // namespace fix_users
