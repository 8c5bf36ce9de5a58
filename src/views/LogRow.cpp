#include "views/LogRow.h"

#include <ctime>
#include <iterator>

#include "base/Text.h"
#include "link/MessageFrame.h"
#include "log/Format.h"

namespace {

struct ReasonEntry {
    int code;
    const char* text;
};

// Codes 11xxx describe a user's link to the gateway, 12xxx the gateway's link to the trading
// host, 13xxx the gateway's internal queues.
constexpr ReasonEntry kReasons[] = {
    {11000, "Disconnected the user as user already signed on"},
    {11001, "Disconnected the user as user id is invalid"},
    {11002, "Disconnected the user as QEL has logged off"},
    {11003, "Disconnected the user as the first message sent by the user is not Login Request"},
    {11004, "Disconnected the user as user is logged off by the trading host"},
    {11005, "Disconnected the user as user login failed"},
    {11006, "Disconnected the user as user is not found in the user link mapping table"},
    {11007, "Disconnected the user as logoff is initiated by the user"},
    {11008, "Disconnected the user as all the links corresponding to the user are down"},
    {11009, "User has disconnected. "},
    {11010,
     "Disconnected the user as more number of messages than invitation count were sent by the "
     "user."},
    {11011,
     "Disconnected the user as contents of the \"message length\" field of the received message "
     "are invalid"},
    {11012,
     "Disconnected the user as number of response messages pending in QEL exceed the threshold"},
    {11013,
     "Disconnected the user as number of users connected exceeded the maximum number of users "
     "configured."},
    {11014, "Disconnected the user as checksum verification for received message failed"},
    {11015, "Disconnected the user as sequence number check for received message failed"},
    {11016, "Disconnected the user as QEL was unable to login to the trading host."},
    {11017, "Disconnected the user as QEL is still logging on to the trading host"},
    {11018, "The user successfully logged on to the trading host"},
    {11019, "Did not receive response to User Status Query. Querying the user status again"},
    {11020, "Did not receive response to User Logoff Request. Querying the user status."},
    {11021, "Disconnected the user as system is not allowing logon request"},
    {11022, "Disconnected the user as number of users connected exceeded the maximum limit"},
    {11023, "User status query request timed out"},
    {11024, "Disconnected the user as the packet length is invalid"},
    {11025, "Disconnected the user as the message header length is invalid"},
    {11026, "Disconnected the user as the logon request is invalid."},
    {12001, "QEL failed to login to the trading host."},
    {12002, "QEL is logged off by the trading host"},
    {12003, "QEL did not receive logon response from the trading host"},
    {12004,
     "QEL has logged off as contents of the \"message length\" field of the message received from "
     "the trading host are invalid"},
    {12005, "QEL has logged off as no response message was received from the host."},
    {12006,
     "QEL has logged off as checksum verification for message received from the host failed"},
    {12007,
     "QEL has logged off as sequence number check for message received from the trading host "
     "failed"},
    {12008, "QEL has logged off as it was disconnected from the trading host."},
    {12009, "QEL is unable to connect to the trading host"},
    {12010, "QEL successfully logged on to the trading host"},
    {12011, "System is not ready to accept requests"},
    {12012, "System is ready to accept requests"},
    {12013,
     "QEL has logged off as message with insufficient length was received from the trading host"},
    {12015, "QEL is expecting configuration parameters from the trading host"},
    {12016, "Configuration parameters received and updated successfully"},
    {12017, "QEL failed to update the configuration parameters"},
    {12018, "Qel has logged off as no heart beat message was received from the trading host"},
    {13001, "Communication queue build up detected inside QEL. System in abnormal condition"},
    {13002,
     "Communication queue size inside QEL is reduced to normal. System is now in normal condition"},
};

}  // namespace

LogRow DecodeLogMessage(const unsigned char* message, int marketType) {
    LogRow row{};
    row.eventTime = ReadI32(message + 22);
    if (UsesLongUserIdLayout(marketType)) {
        row.userId = ReadI32(message + 32);
        row.reasonCode = ReadU16(message + 36);
        row.reasonValue = ReadI32(message + 38);
    } else {
        row.userId = ReadI16(message + 32);
        row.reasonCode = ReadU16(message + 34);
        row.reasonValue = ReadI32(message + 36);
    }
    return row;
}

std::string UserIdText(const LogRow& row) {
    if (row.userId == 0) {
        return "NEW";
    }
    if (row.userId == -1) {
        return {};
    }
    return Fmt("%d", row.userId);
}

std::string EventTimeText(const LogRow& row) {
    return FormatEventTime(row.eventTime);
}

std::string MessageText(const LogRow& row) {
    return Fmt("%s", GetReasonDescription(row.reasonCode).c_str());
}

std::string ReasonValueText(const LogRow& row) {
    return row.reasonValue == -1 ? std::string() : Fmt("%d", row.reasonValue);
}

std::vector<std::string> CellTexts(const LogRow& row) {
    return {UserIdText(row), EventTimeText(row), MessageText(row), ReasonValueText(row)};
}

std::string FormatEventTime(std::int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&time, &local) || local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 ||
        local.tm_mon > 11) {
        return {};
    }
    return FmtN(1024, "%s, %s %02d, %04d, %02d:%02d:%02d", kWeekdayNames[local.tm_wday],
                kMonthNames[local.tm_mon], local.tm_mday, local.tm_year + 1900, local.tm_hour,
                local.tm_min, local.tm_sec);
}

std::string GetReasonDescription(int reasonCode) {
    for (const ReasonEntry& entry : kReasons) {
        if (entry.code == reasonCode) {
            return entry.text;
        }
    }
    return Fmt("No description for reason code [%d]", reasonCode);
}
