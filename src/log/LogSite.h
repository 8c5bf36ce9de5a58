#pragma once

#include <string>
#include <vector>

#include "log/ActivityLog.h"

// Where an activity-log line is written from: the source file and line, and the class whose
// operations the lines name. Shared code that works for a dialog (the restart request, the
// key=value and FIX file rewrites) writes with the dialog's site, so its lines read exactly
// like the dialog's own.
struct LogSite {
    std::string file;  // a source path; the log keeps its base name
    int line = 0;
    std::string owner;  // class name, e.g. "CGenericConfiguration"

    // "Owner::name", the operation field of a line.
    std::string Operation(const char* name) const { return owner + "::" + name; }
};

// The site of the calling source line, for `owner`'s operations.
#define ZEVO_LOG_SITE(owner) (LogSite{__FILE__, __LINE__, (owner)})

enum class LogLevel { Activity, Event, BusinessError, SystemError, Detail };

// The sites whose lines the window and zevo-cli both write, so that a reader of the activity
// log finds the same lines whichever program made the change. Their file names are those of
// the window's own source files, fixed here once; a test checks that each still names the
// source file that defines its class's operations.
namespace log_sites {
const LogSite& GatewayConfiguration();  // GenericConfiguration.cpp, CGenericConfiguration
const LogSite& FixUsers();              // FixUserSessions.cpp, CFixUserSessions
const LogSite& FixUserDetails();        // FixUserDetails.cpp, CFixUserDetails
const LogSite& MainWindowStatus();      // GatewayStatus.cpp, CZEVOClientPHASE4Dlg
const LogSite& ActiveUsers();           // GenericActiveUsersList.cpp, CGenericActiveUsersList
std::vector<const LogSite*> All();
}  // namespace log_sites

// Writes `text` at `level` under `site` and the owner's operation `name`. A null log writes
// nothing.
void LogAt(ActivityLog* log, LogLevel level, const LogSite& site, const char* name,
           const std::string& text);
