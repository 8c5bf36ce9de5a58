#pragma once

#include <string>
#include <string_view>

#include "platform/FileOperations.h"

namespace platform {

// The step at which replacing a file stopped.
enum class ReplaceStep {
    None,             // replaced
    ReadOriginal,     // the file to replace could not be examined, or is not a regular file
    Remove,           // the file gives the running user no write permission (EACCES)
    HardLinked,       // the file has other names, which a replacement would leave behind
    KeepOwner,        // the running user cannot keep the owner, and access would change
    CreateTemporary,  // the temporary file could not be created
    CopyOwnerAndMode,
    CopyAttributes,  // an extended attribute or the ACL could not be given to the new file
    Write,
    Flush,  // fsync or close of the temporary file; a full disk often shows only here
    Rename,
};

struct ReplaceOptions {
    // Where the new content is written first. Empty: a fresh unique name beside the target
    // ("<target>.tmp.XXXXXX"). A fixed name must be in the target's directory, so that the
    // rename never crosses file systems; a file already there is overwritten. When the
    // target is a symbolic link, the fixed name is taken in the folder of the link's target.
    std::string temporary_path;
    // Leaves the temporary file in place when only the rename failed, so that a later
    // recovery can move the complete new content into place. A temporary file that may be
    // incomplete is always deleted.
    bool keep_temporary_after_failed_rename = false;
};

struct ReplaceResult {
    ReplaceStep failed_step = ReplaceStep::None;
    int error = 0;               // errno of the failed step
    std::string temporary_path;  // the name tried or used, for the caller's messages
    // errno of the directory's fsync after the rename, or 0. It does not fail the
    // replacement: the new content is in place, only its survival of a power cut is unsure.
    int directory_sync_error = 0;
    // In plain words, for the steps the original platform had no text for (HardLinked,
    // KeepOwner, CopyAttributes); empty otherwise.
    std::string reason;
    // Set when the file now belongs to the running user because only root can keep its
    // owner, while every account keeps its access: the change is said, never made silently.
    std::string owner_note;

    bool ok() const { return failed_step == ReplaceStep::None; }
};

// Whether ReplaceFile may replace the file at `target`, checked without writing anything:
// what it finds as a failed step (ReadOriginal, Remove, HardLinked, KeepOwner), with
// owner_note set when the owner would change. Writers of two files check both first, so that
// a save that cannot complete writes nothing.
ReplaceResult CheckReplace(const std::string& target);

// Replaces the file at `target` with `content` so that every reader sees either the old file
// or the new one, complete, and never no file: the content goes to a temporary file in the
// same directory, which takes the original's owner, group, mode, POSIX ACL and extended
// attributes, is written, flushed to disk and renamed over the original; then the directory
// is flushed. On failure the original is untouched and the temporary file is deleted (see
// ReplaceOptions for the exception).
//
// Owner and group: root keeps both. Another user keeps the group when it is a member of it,
// and the file then belongs to that user; when that would take read or write access from
// the file's owner (the gateways' account) or its group, nothing is written (KeepOwner).
// A file with several names (hard links) is refused (HardLinked): replacing one name would
// leave the others with the old content.
//
// Files as operators have them: a symbolic link is written through (the file it points to
// is replaced and the link stays a link); a file that gives the running user no write
// permission (for root: no write bit at all) is never replaced, as deleting it would fail
// on the gateways' original platform (Remove, EACCES); a path that is not a regular file
// is not touched (ReadOriginal).
ReplaceResult ReplaceFile(const std::string& target, std::string_view content,
                          const ReplaceOptions& options = {},
                          FileOperations& operations = InstalledFileOperations());

}  // namespace platform
