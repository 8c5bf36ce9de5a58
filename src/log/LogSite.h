#pragma once

#include <string>

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

// Writes `text` at `level` under `site` and the owner's operation `name`. A null log writes
// nothing.
void LogAt(ActivityLog* log, LogLevel level, const LogSite& site, const char* name,
           const std::string& text);
