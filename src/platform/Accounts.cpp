#include "platform/Accounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace platform {

std::string AccountName(uid_t uid) {
    const struct passwd* entry = getpwuid(uid);
    return entry ? entry->pw_name : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const struct group* entry = getgrgid(gid);
    return entry ? entry->gr_name : std::to_string(gid);
}

std::vector<gid_t> GroupsOf(uid_t uid) {
    const struct passwd* entry = getpwuid(uid);
    if (!entry) {
        return {};
    }
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &count);
    }
    groups.resize(static_cast<size_t>(std::max(count, 0)));
    return groups;
}

bool RunningUserInGroup(gid_t gid) {
    if (getegid() == gid) {
        return true;
    }
    std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
    groups.resize(static_cast<size_t>(
        std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

}  // namespace platform
