#pragma once

#include <string>
#include <vector>

#include "log/LogSite.h"

class ActivityLog;

// The FIX configuration file of a market, as the FIX dialogs read and rewrite it: the FIX
// engine's settings plus one session block per FIX user. Plain code: the dialogs hold the
// state and call these; lines are logged under the calling dialog's site.
//
// Every rewrite builds the new file in memory and replaces the FIX file through the
// temporary file "<FIX file's folder>/temp_QEL_FIX_<market>.cfg", which is flushed to disk
// and renamed over the FIX file: the gateway's FIX engine never finds the file missing or
// half written.
namespace fix_file {

// "<folder of fixPath>/temp_QEL_FIX_<market name>.cfg"; empty when the path has no file name.
std::string TemporaryPath(const std::string& fixPath, int marketType);

// Puts a left-over temporary file in place of a missing FIX file. Returns -1 when that
// rename failed (the dialog then ends with -1), 0 otherwise.
int Recover(const std::string& fixPath, const std::string& temporaryPath, ActivityLog* log,
            const LogSite& site, const char* operation);

// Gives every TargetCompID line the new broker ID and the NicIpAddress line the new local
// address; every other line stays as it was.
void ChangeBrokerIdAndLocalIp(const std::string& fixPath, const std::string& temporaryPath,
                              const std::string& brokerId, const std::string& localIp,
                              ActivityLog* log, const LogSite& site);

// Reads the file's lines as the dialogs do: pieces of at most 511 characters, each without
// its new-line. Returns false when the file cannot be opened.
bool ReadLines(const std::string& path, std::vector<std::string>* lines);

// The fields of "%[^=]=%[^,],%[^,],%s" read from a line; `count` is how many were read.
struct ParsedLine {
    std::string key, part1, part2, part3;
    int count = 0;
};
ParsedLine ParseLine(const std::string& line);

}  // namespace fix_file
