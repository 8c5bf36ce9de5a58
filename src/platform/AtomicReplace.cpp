#include "platform/AtomicReplace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/FileOwnership.h"
#include "platform/FileSystem.h"

namespace platform {

namespace {

// Whether the running user may change the file. Root may write anything, but a file
// without any write bit is someone's decision that it must not change.
bool MayChange(const std::string& path, const struct stat& info) {
    if (geteuid() == 0) {
        return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    return access(path.c_str(), W_OK) == 0 || errno != EACCES;
}

// Writes all of `content`, going on after short writes; a write that makes no progress
// without an error is taken as a full disk.
bool WriteAll(FileOperations& operations, int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t written = operations.Write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Fills the open temporary file; returns the step that failed, or None. The descriptor is
// closed in every case.
ReplaceStep FillTemporary(FileOperations& operations, int fd, const std::string& target,
                          const struct stat& original, std::string_view content,
                          std::string* failedAttribute) {
    ReplaceStep failed = ReplaceStep::None;
    if (operations.CopyOwnerAndMode(fd, original) != 0) {
        failed = ReplaceStep::CopyOwnerAndMode;
    } else if (operations.CopyAttributes(fd, target, failedAttribute) != 0) {
        failed = ReplaceStep::CopyAttributes;
    } else if (!WriteAll(operations, fd, content)) {
        failed = ReplaceStep::Write;
    } else if (operations.Sync(fd) != 0) {
        failed = ReplaceStep::Flush;
    }
    int error = errno;
    if (operations.Close(fd) != 0 && failed == ReplaceStep::None) {
        return ReplaceStep::Flush;
    }
    errno = error;
    return failed;
}

// Creates the temporary file under the caller's fixed name, or under a fresh unique name
// beside the target; `name` receives the name tried.
int OpenTemporary(FileOperations& operations, const std::string& target,
                  const ReplaceOptions& options, std::string& name) {
    if (!options.temporary_path.empty()) {
        name = options.temporary_path;
        return operations.CreateFile(name);
    }
    name = target + ".tmp.XXXXXX";
    return operations.MakeTemporary(name);
}

// The checks that need no writing, on the file behind any link.
ReplaceResult Check(const std::string& target, struct stat* original) {
    ReplaceResult result;
    auto fail = [&result](ReplaceStep step, int error) {
        result.failed_step = step;
        result.error = error;
    };
    if (stat(target.c_str(), original) != 0) {
        fail(ReplaceStep::ReadOriginal, errno);
    } else if (!S_ISREG(original->st_mode)) {
        fail(ReplaceStep::ReadOriginal, S_ISDIR(original->st_mode) ? EISDIR : EINVAL);
    } else if (!MayChange(target, *original)) {
        fail(ReplaceStep::Remove, EACCES);
    } else if (original->st_nlink > 1) {
        fail(ReplaceStep::HardLinked, EMLINK);
        result.reason = target + " has " + std::to_string(original->st_nlink) +
                        " names (hard links): a save replaces the file, and the other names "
                        "would keep the old content";
    } else if (const OwnershipJudgement owner = JudgeOwnership(target, *original);
               !owner.refusal.empty()) {
        fail(ReplaceStep::KeepOwner, EPERM);
        result.reason = owner.refusal;
    } else {
        result.owner_note = owner.note;
    }
    return result;
}

}  // namespace

ReplaceResult CheckReplace(const std::string& path) {
    struct stat original {};
    return Check(FileBehind(path), &original);
}

ReplaceResult ReplaceFile(const std::string& path, std::string_view content,
                          const ReplaceOptions& given, FileOperations& operations) {
    ReplaceResult result;
    auto fail = [&result](ReplaceStep step) {
        result.failed_step = step;
        result.error = errno;
    };
    const std::string target = FileBehind(path);
    ReplaceOptions options = given;
    if (target != path && !options.temporary_path.empty()) {
        options.temporary_path = DirectoryOf(target) + "/" + BaseName(options.temporary_path);
    }
    struct stat original {};
    result = Check(target, &original);
    if (!result.ok()) {
        return result;
    }
    int fd = OpenTemporary(operations, target, options, result.temporary_path);
    if (fd < 0) {
        fail(ReplaceStep::CreateTemporary);
        return result;
    }
    std::string attribute;
    ReplaceStep failed = FillTemporary(operations, fd, target, original, content, &attribute);
    if (failed == ReplaceStep::None && operations.Rename(result.temporary_path, target) != 0) {
        failed = ReplaceStep::Rename;
    }
    if (failed != ReplaceStep::None) {
        fail(failed);
        if (failed == ReplaceStep::CopyAttributes) {
            result.reason = "the new " + target + " could not be given the attribute " + attribute +
                            " of the old one";
        }
        if (!(failed == ReplaceStep::Rename && options.keep_temporary_after_failed_rename)) {
            operations.Unlink(result.temporary_path);
        }
        return result;
    }
    if (operations.SyncDirectory(DirectoryOf(target)) != 0) {
        result.directory_sync_error = errno;
    }
    return result;
}

}  // namespace platform
