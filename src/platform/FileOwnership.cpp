#include "platform/FileOwnership.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Accounts.h"

namespace platform {

namespace {

// A POSIX ACL as the kernel stores it in "system.posix_acl_access".
struct AclEntry {
    std::uint16_t tag, perm;
    std::uint32_t id;
};
enum : std::uint16_t {
    kUserObj = 0x01,
    kUser = 0x02,
    kGroupObj = 0x04,
    kGroup = 0x08,
    kMask = 0x10,
    kOther = 0x20
};

std::vector<AclEntry> ReadAcl(const std::string& path) {
    char buffer[4096];
    const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
    std::vector<AclEntry> entries;
    for (ssize_t at = 4; size > 4 && at + 8 <= size; at += 8) {  // after a 4-byte version
        AclEntry entry{};
        std::memcpy(&entry.tag, buffer + at, 2);
        std::memcpy(&entry.perm, buffer + at + 2, 2);
        std::memcpy(&entry.id, buffer + at + 4, 4);
        entries.push_back(entry);
    }
    return entries;
}

// Read and write access (bits 04 and 02) of the account `uid` to a file of `owner`:`group`
// with `mode` and `acl` (empty: mode bits alone), as the kernel decides it.
unsigned Access(uid_t uid, uid_t owner, gid_t group, mode_t mode,
                const std::vector<AclEntry>& acl) {
    if (uid == owner) {
        return (mode >> 6) & 06;
    }
    const std::vector<gid_t> groups = GroupsOf(uid);
    const bool inGroup = std::find(groups.begin(), groups.end(), group) != groups.end();
    if (acl.empty()) {
        return (inGroup ? mode >> 3 : mode) & 06;
    }
    unsigned mask = 07, other = 0, granted = 0;
    bool named = false, groupMatched = false;
    for (const AclEntry& entry : acl) {
        mask = entry.tag == kMask ? entry.perm : mask;
        other = entry.tag == kOther ? entry.perm : other;
        if (entry.tag == kUser && entry.id == uid) {
            named = true;
            granted = entry.perm;
        }
    }
    if (!named) {
        for (const AclEntry& entry : acl) {
            const bool matches = (entry.tag == kGroupObj && inGroup) ||
                                 (entry.tag == kGroup && std::find(groups.begin(), groups.end(),
                                                                   entry.id) != groups.end());
            groupMatched |= matches;
            granted |= matches ? entry.perm : 0;
        }
    }
    return (named || groupMatched ? granted & mask : other) & 06;
}

// What the owning group's members have: the group bits, or its ACL entry within the mask.
unsigned GroupAccess(mode_t mode, const std::vector<AclEntry>& acl) {
    unsigned mask = 07, entry = (mode >> 3) & 07;
    for (const AclEntry& e : acl) {
        mask = e.tag == kMask ? e.perm : mask;
        entry = e.tag == kGroupObj ? e.perm : entry;
    }
    return entry & mask & 06;
}

std::string AccessWord(unsigned bits) {
    return bits == 06 ? "read and write" : bits == 04 ? "read" : "write";
}

}  // namespace

OwnershipJudgement JudgeOwnership(const std::string& path, const struct stat& original) {
    const uid_t self = geteuid();
    if (self == 0 || self == original.st_uid) {
        return {};
    }
    const gid_t group = RunningUserInGroup(original.st_gid) ? original.st_gid : getegid();
    const std::vector<AclEntry> acl = ReadAcl(path);
    const mode_t mode = original.st_mode;
    const uid_t owner = original.st_uid;
    const unsigned lostByOwner = ((mode >> 6) & 06) & ~Access(owner, self, group, mode, acl);
    // A group that cannot be kept leaves its members what others have.
    const unsigned lostByGroup = group == original.st_gid ? 0 : GroupAccess(mode, acl) & ~mode & 06;
    const std::string was = AccountName(owner) + ":" + GroupName(original.st_gid);
    const std::string would = AccountName(self) + ":" + GroupName(group);
    OwnershipJudgement judgement;
    if (lostByOwner || lostByGroup) {
        const std::string loser =
            lostByOwner ? "user " + AccountName(owner) : "group " + GroupName(original.st_gid);
        judgement.refusal = path + " belongs to " + was + "; saved by " + AccountName(self) +
                            " it would belong to " + would + " and " + loser + " would lose " +
                            AccessWord(lostByOwner ? lostByOwner : lostByGroup) +
                            " access to it: only root or " + AccountName(owner) + " can save it";
        return judgement;
    }
    judgement.note = path + " now belongs to " + would + " (it belonged to " + was +
                     "): only root can keep its owner; " + AccountName(owner) +
                     " keeps its access through group " + GroupName(group);
    return judgement;
}

}  // namespace platform
