#pragma once

#include "config/ControlIds.h"

// The main window's and the About box's control ids (see views/ControlIds.h). The menu's
// commands carry their command ids (core/CommandIds.h) as object names.
namespace control_id {

// The main window.
inline constexpr const char* kMainWindow = "102";
inline constexpr const char* kMenuBar = "129";
inline constexpr const char* kLogTabs = "1000";
inline constexpr const char* kStatisticsTabs = "1003";
inline constexpr const char* kStatusList = "1005";

// The About box.
inline constexpr const char* kAboutDialog = "100";
inline constexpr const char* kAboutOk = "1";
inline constexpr const char* kAboutList = "1035";

}  // namespace control_id
