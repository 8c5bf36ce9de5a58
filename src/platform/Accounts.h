#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// The machine's accounts and groups as the messages name them: the name, or the number
// when the account database has none.
std::string AccountName(uid_t uid);
std::string GroupName(gid_t gid);

// The groups of the account `uid`: its primary group and its supplementary ones.
std::vector<gid_t> GroupsOf(uid_t uid);

// Whether the running process is a member of `gid` (effective or supplementary).
bool RunningUserInGroup(gid_t gid);

}  // namespace platform
