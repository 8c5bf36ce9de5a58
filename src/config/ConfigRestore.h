#pragma once

#include <string>
#include <utility>
#include <vector>

#include "log/LogSite.h"

class ActivityLog;
class ConfigHistory;

// Files as bytes to put in place: (path, bytes).
using FileVersions = std::vector<std::pair<std::string, std::string>>;

// The files as they are now (a file that cannot be read as empty): what a rollback puts back.
FileVersions FilesNow(const std::vector<std::string>& files);

// The bytes each of `files` held at `revision` of the history; false, with why, when the
// revision is unknown or does not hold one of them.
bool FilesAtRevision(const ConfigHistory& history, const std::string& revision,
                     const std::vector<std::string>& files, FileVersions* versions,
                     std::string* why);

// Puts files back as a save (or the time before one) left them, as a save of its own: under
// the configuration lock, a file already as wanted left alone, a line for each file put back,
// and a history commit whose message starts with `note` ("restore of 1a2b3c4d").
struct RestoreOutcome {
    enum Kind { kRestored, kUnchanged, kFailed } kind = kFailed;
    std::string why;  // for kFailed, as the operator is told it
};
RestoreOutcome RestoreFiles(const FileVersions& versions, const std::string& note, ActivityLog* log,
                            const LogSite& site, const char* operation);
