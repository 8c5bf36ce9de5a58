#pragma once

// Control ids: every window and control that automation reaches carries its id, the number
// as text, as its object name. The numbers are the product's and never change; code and
// tests name them by these constants. One namespace holds all of them, so that an id used
// by several windows has one name: the views' ids are here, the configuration dialogs' in
// config/ControlIds.h and the main window's in app/ControlIds.h.
namespace control_id {

// The log page and the statistics page of a market, and their lists.
inline constexpr const char* kLogPage = "144";
inline constexpr const char* kLogList = "1013";
inline constexpr const char* kStatisticsPage = "145";
inline constexpr const char* kStatisticsList = "1014";

// The active users dialog.
inline constexpr const char* kActiveUsersDialog = "149";
inline constexpr const char* kBoxState = "1015";
inline constexpr const char* kRefresh = "1016";
inline constexpr const char* kBoxIdLabel = "1017";
inline constexpr const char* kActiveUsersList = "1018";

// "E&xit" of the active users dialog, the common configuration and the FIX configuration.
inline constexpr const char* kExit = "1028";
// The number of users: in the active users dialog and in the FIX users list.
inline constexpr const char* kUserCount = "1034";

// Controls added beyond the product's own are numbered from 1100 on.
// The log page's line about its connection to the gateway.
inline constexpr const char* kConnectionState = "1100";
// The statistics page's trend pane: the pane, its note, its span of time and its chart.
inline constexpr const char* kTrendPane = "1120";
inline constexpr const char* kTrendNote = "1121";
inline constexpr const char* kTrendSpan = "1122";
inline constexpr const char* kTrendChart = "1123";

}  // namespace control_id
