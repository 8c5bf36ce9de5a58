#include "config/FixUserRules.h"

#include "base/Text.h"
#include "config/KeyValueFile.h"
#include "core/MarketType.h"
#include "log/Format.h"

namespace fix_users {

namespace {

constexpr int kBrokerIdSize = 1024;

}  // namespace

KeysRead ReadGatewayKeys(const std::string& configPath, ActivityLog* log, const LogSite& site,
                         GatewayKeys* keys) {
    const char* const op = "OnInitDialog";
    char brokerId[kBrokerIdSize] = "";
    int result = get_string_parameter(configPath.c_str(), "BROKER_ID", brokerId, kBrokerIdSize);
    if (result == kv::kCannotOpen) {
        LogAt(log, LogLevel::Event, site, op, "ZEVO could not open QEL config file.");
        return KeysRead::CannotOpen;
    }
    if (result == kv::kNotFound) {
        LogAt(log, LogLevel::Event, site, op, "Cannot read BROKER_ID from QEL config file.");
        return KeysRead::NoBrokerId;
    }
    keys->brokerId = brokerId;
    LogAt(log, LogLevel::Activity, site, op, Fmt("BROKER_ID = %s", brokerId));
    result = get_int_parameter(configPath.c_str(), "MAX_TWS_CLIENTS", &keys->maxUsers);
    if (result == kv::kCannotOpen) {
        LogAt(log, LogLevel::Event, site, op, "ZEVO could not open QEL config file.");
        return KeysRead::CannotOpen;
    }
    if (result == kv::kNotFound) {
        LogAt(log, LogLevel::Event, site, op, "Cannot read MAX_TWS_CLIENTS from QEL config file.");
        return KeysRead::NoMaxUsers;
    }
    LogAt(log, LogLevel::Activity, site, op, Fmt("MAX_TWS_CLIENTS = %d", keys->maxUsers));
    return KeysRead::Read;
}

std::string BrokerIdNow(const std::string& configPath, const std::string& fallback) {
    char brokerId[kBrokerIdSize] = "";
    if (configPath.empty() || get_string_parameter(configPath.c_str(), "BROKER_ID", brokerId,
                                                   kBrokerIdSize) != kv::kFound) {
        return fallback;
    }
    return brokerId;
}

bool LoadUsers(const std::string& fixPath, ActivityLog* log, const LogSite& site,
               std::vector<fix_file::FixUser>* users) {
    const char* const op = "RefreshList";
    users->clear();
    if (!fix_file::ListUsers(fixPath, users)) {
        LogAt(log, LogLevel::SystemError, site, op,
              Fmt("Couldn't open file %s in read mode.", fixPath.c_str()));
        return false;
    }
    for (const fix_file::FixUser& user : *users) {
        LogAt(log, LogLevel::Detail, site, op,
              Fmt("TraderID = %s , BranchID = %s ", user.userId.c_str(), user.branchId.c_str()));
    }
    return true;
}

int OpenUserDetails(int marketType, const std::string& userId, const std::string& memberId,
                    const std::string& branchId, const std::string& fixPath, int modification,
                    ActivityLog* log, const LogSite& site) {
    const char* const op = "CFixUserDetails";
    const auto line = [&](const std::string& text) {
        LogAt(log, LogLevel::Activity, site, op, text);
    };
    line(Fmt("Market type for dialog is %d - %s", marketType, MarketNameOrEmpty(marketType)));
    line(Fmt("Trader ID is %s", userId.c_str()));
    line(Fmt("Member ID is %s", memberId.c_str()));
    line(Fmt("Branch ID is %s", branchId.c_str()));
    line(Fmt("FIX Config file path is - %s", fixPath.c_str()));
    line(Fmt("Session modification type is - %d", modification));
    return fix_file::Recover(fixPath, fix_file::TemporaryPath(fixPath, marketType), log, site, op);
}

bool FieldsChanged(const std::string& userField, const std::string& userStored,
                   const std::string& branchField, const std::string& branchStored) {
    return text::AtoiClamped(userField) != text::AtoiClamped(userStored) ||
           text::AtoiClamped(branchField) != text::AtoiClamped(branchStored);
}

FieldRuleBreak CheckUserFields(const std::string& userField, const std::string& branchField,
                               ActivityLog* log, const LogSite& site) {
    struct Rule {
        bool broken;
        Field field;
        const char* logLine;
        const char* box;
    };
    const Rule rules[] = {
        {userField.empty(), Field::UserId, "Trader ID is blank", "User ID can't be blank"},
        {branchField.empty(), Field::BranchId, "Branch ID is blank", "Branch ID can't be blank"},
        {text::AtoiClamped(userField) <= 0, Field::UserId, "Trader ID is Zero.",
         "User ID can't be zero"},
        {text::AtoiClamped(branchField) < 1, Field::BranchId, "Branch ID is Zero.",
         "Branch ID can't be zero"},
    };
    for (const Rule& rule : rules) {
        if (rule.broken) {
            LogAt(log, LogLevel::Activity, site, "ValidateParameters", rule.logLine);
            return {rule.field, rule.box};
        }
    }
    return {};
}

void LogValidation(bool passed, ActivityLog* log, const LogSite& site) {
    LogAt(log, LogLevel::Activity, site, "SaveFixConfigurationParameters",
          passed ? "Validation(s) Successful." : "Validation(s) failed.");
}

std::string TargetCompIdValue(const std::string& userField, const std::string& userStored,
                              const std::string& memberId, const std::string& branchField,
                              const std::string& branchStored) {
    const auto written = [](const std::string& field, const std::string& stored) {
        return field == stored ? stored : Fmt("%d", text::AtoiClamped(field));
    };
    return written(userField, userStored) + "," + memberId + "," +
           written(branchField, branchStored);
}

std::string DuplicateText(int userId) {
    return Fmt("User ID %d already exists.\n", userId);
}

void LogDuplicate(int userId, ActivityLog* log, const LogSite& site) {
    const char* const op = "SaveFixConfigurationParameters";
    LogAt(log, LogLevel::Event, site, op,
          Fmt("Addition of trader id %d failed as that trader id already exists.", userId));
    LogAt(log, LogLevel::Detail, site, op,
          "Fix config file and temp file closed. Removing temp file generated.");
}

}  // namespace fix_users
