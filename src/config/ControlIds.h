#pragma once

#include "views/ControlIds.h"

// The configuration dialogs' control ids (see views/ControlIds.h); the dialogs' "E&xit"
// (control_id::kExit) and the FIX users list's count (control_id::kUserCount) share the
// views' ids.
namespace control_id {

// The dialogs themselves.
inline constexpr const char* kGatewayConfigurationDialog = "150";
inline constexpr const char* kCommonConfigurationDialog = "151";
inline constexpr const char* kFixUsersDialog = "154";
inline constexpr const char* kFixUserDetailsDialog = "155";
inline constexpr const char* kFixConfigurationDialog = "160";

// "&Save" of every configuration dialog.
inline constexpr const char* kSave = "1020";

// The gateway configuration.
inline constexpr const char* kLocalIp = "1022";
inline constexpr const char* kWanIp = "1023";
inline constexpr const char* kHostIp = "1024";
inline constexpr const char* kHostPort = "1025";
inline constexpr const char* kBoxId = "1026";
inline constexpr const char* kBrokerId = "1027";
inline constexpr const char* kPrimary = "1036";
inline constexpr const char* kBcp = "1037";
inline constexpr const char* kHostIpLabel = "1038";
inline constexpr const char* kBcpIpLabel = "1039";
inline constexpr const char* kBcpIp = "1040";
// "E&xit" of the gateway configuration and of the FIX users list.
inline constexpr const char* kExit2 = "1032";

// The common configuration.
inline constexpr const char* kRepositoryDays = "1029";

// The FIX users list.
inline constexpr const char* kNewUser = "1041";
inline constexpr const char* kEditUser = "1042";
inline constexpr const char* kDeleteUser = "1043";
inline constexpr const char* kFixUsersList = "1061";
inline constexpr const char* kFixBrokerId = "1064";

// The FIX user details.
inline constexpr const char* kUserId = "1056";
inline constexpr const char* kBranchId = "1058";
inline constexpr const char* kCancel = "1060";

// The FIX configuration.
inline constexpr const char* kFixLogging = "1078";
inline constexpr const char* kPersistMessages = "1080";

// The configuration history.
inline constexpr const char* kHistoryDialog = "170";
inline constexpr const char* kHistorySaves = "1090";
inline constexpr const char* kHistoryAgainstParent = "1091";
inline constexpr const char* kHistoryAgainstToday = "1092";
inline constexpr const char* kHistoryDiff = "1093";
inline constexpr const char* kHistoryRestore = "1094";
// The gateway configuration's confirmed save: the check box and its seconds.
inline constexpr const char* kConfirmSave = "1095";
inline constexpr const char* kConfirmSeconds = "1096";

}  // namespace control_id
