#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log/LogSite.h"

class ActivityLog;

// The FIX configuration file of a market, as the FIX dialogs read and rewrite it: the FIX
// engine's settings plus one session block per FIX user. Plain code: the dialogs hold the
// state and call these; lines are logged under the calling dialog's site.
//
// A session block is an empty line, "#BeginSession_<user>", "[SESSION]",
// "TargetCompID=<user>,<broker>,<branch>" and "#EndSession_<user>". Files edited by hand may
// lack the end marker: such a block ends just before the next begin marker or section
// heading other than its own first [SESSION] (where the FIX engine, too, sees the session
// end), or at the end of the file. No operation changes a line outside the block it works on.
//
// Lines are split at LF only and compared and parsed without their line end. A rewrite
// copies every line it does not work on byte for byte (any length, NUL bytes included) with
// its own line end, LF or CR LF; a line it replaces keeps the line end of the line it
// replaces, and lines it adds take the line end of the file's first line. Add, edit and
// PersistMessages end the file with a line end; delete ends it without one after its last
// line; a broker-ID change leaves a last line without a line end as it is.
//
// Every rewrite builds the new file in memory and replaces the FIX file through the
// temporary file "<FIX file's folder>/temp_QEL_FIX_<market>.cfg", which is flushed to disk
// and renamed over the FIX file: the gateway's FIX engine never finds the file missing or
// half written. Only a failed rename leaves the (complete) temporary file behind, for the
// recovery step of the next FIX dialog. A FIX file that is a symbolic link is written
// through (the link stays); one without write permission is left as it is (RemoveFailed).
namespace fix_file {

// "<folder of fixPath>/temp_QEL_FIX_<market name>.cfg"; empty when the path has no file name.
std::string TemporaryPath(const std::string& fixPath, int marketType);

// Puts a left-over temporary file in place of a missing FIX file; a path that is there but
// no regular file (a folder, FIFO or device) counts as one that cannot be opened and is never
// replaced. Returns kRecoveryFailed when that rename failed (the dialog then ends with -1),
// kRecovered otherwise.
inline constexpr int kRecovered = 0;
inline constexpr int kRecoveryFailed = -1;
int Recover(const std::string& fixPath, const std::string& temporaryPath, ActivityLog* log,
            const LogSite& site, const char* operation);

// What the FIX users list does when it is made, before it has a window: its opening lines
// (operation "CFixUserSessions") and the recovery step. Returns what Recover returns.
int OpenFixUsers(int marketType, const std::string& configPath, const std::string& fixPath,
                 std::uint16_t interactivePort, ActivityLog* log, const LogSite& site);

// How a read-modify-write of the FIX file ended.
enum class Outcome {
    Written,
    CannotRead,    // the FIX file could not be opened; nothing was written
    CannotWrite,   // the temporary file could not be made, written or flushed; no file changed
    RenameFailed,  // the new content stays in the temporary file; the FIX file is as it was
    RemoveFailed,  // the FIX file may not be changed (no write permission); nothing was written
    Duplicate,     // add: the user already has a session; nothing was written
};

// Gives every TargetCompID line the new broker ID and the NicIpAddress line the new local
// address; every other line stays as it was.
Outcome ChangeBrokerIdAndLocalIp(const std::string& fixPath, const std::string& temporaryPath,
                                 const std::string& brokerId, const std::string& localIp,
                                 ActivityLog* log, const LogSite& site);
// Whether ChangeBrokerIdAndLocalIp with these values would leave every byte of the file as it
// is (`*agree`). Returns false when the file cannot be read.
bool BrokerIdAndLocalIpAgree(const std::string& fixPath, const std::string& brokerId,
                             const std::string& localIp, bool* agree);

// A FIX user as the users list shows it: the three parts of a TargetCompID line.
struct FixUser {
    std::string userId, brokerId, branchId;
};
// Every TargetCompID line with all three parts, inside a block or not, in file order.
// Returns false when the file cannot be opened.
bool ListUsers(const std::string& fixPath, std::vector<FixUser>* users);

// Removes the block whose begin marker is "#BeginSession_<userIdText>" (compared without
// regard to case) with the empty line that follows its end marker; no line outside the block
// is removed. The file then ends without a line end after its last line.
Outcome DeleteUser(const std::string& fixPath, const std::string& temporaryPath,
                   const std::string& userIdText, ActivityLog* log, const LogSite& site);

// Whether the file has the begin marker "#BeginSession_<userIdText>" (compared as DeleteUser
// compares it), for callers that must know before they write.
enum class BlockLookup { Found, Missing, CannotRead };
BlockLookup FindBlock(const std::string& fixPath, const std::string& userIdText);

// Appends a block for `userId` with the TargetCompID value `targetCompId`; refused
// (Duplicate) when a begin marker for the user is already there, or a [SESSION] of the file,
// inside a block or not, has a TargetCompID whose user part is `userId` as a decimal number
// ("0012,..." is user 12).
Outcome AddUser(const std::string& fixPath, const std::string& temporaryPath, int userId,
                const std::string& targetCompId, ActivityLog* log, const LogSite& site);
// Replaces the TargetCompID lines inside `userId`'s block. A file without that block is
// rewritten unchanged.
Outcome EditUser(const std::string& fixPath, const std::string& temporaryPath, int userId,
                 const std::string& targetCompId, ActivityLog* log, const LogSite& site);

// Rewrites every PersistMessages line, in whatever section, with `value`; the key is never
// added.
Outcome SetPersistMessages(const std::string& fixPath, const std::string& temporaryPath,
                           const std::string& value, ActivityLog* log, const LogSite& site);

// Reads the file's lines, each whole and without its line end (LF or CR LF); `lineEnd`, when
// given, receives the line end of the file's first line. Returns false when the file cannot
// be opened, is no regular file or is larger than 16 MB.
bool ReadLines(const std::string& path, std::vector<std::string>* lines,
               std::string* lineEnd = nullptr);

// The fields of "%[^=]=%[^,],%[^,],%s" read from a line; `count` is how many were read.
struct ParsedLine {
    std::string key, part1, part2, part3;
    int count = 0;
};
ParsedLine ParseLine(const std::string& line);

}  // namespace fix_file
