#pragma once

#include <sys/stat.h>

#include <string>

namespace platform {

// What replacing a file as the running user does to who may use it. A new file belongs to
// whoever makes it: root can give it the old owner and group, another user can give it only
// a group it is a member of. The file's owner (the gateways' account) and its group must keep
// the read and write access they had, counted as the system counts it (mode bits, and the
// POSIX ACL with its mask when the file has one).
struct OwnershipJudgement {
    std::string refusal;  // why the replacement would take someone's access; empty when fine
    std::string note;     // the owner changes, and nobody loses access: said, never silent
};

OwnershipJudgement JudgeOwnership(const std::string& path, const struct stat& original);

}  // namespace platform
