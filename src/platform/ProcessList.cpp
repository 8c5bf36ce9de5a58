#include "platform/ProcessList.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/Text.h"
#include "platform/FileSystem.h"

namespace platform {

namespace {

// The start of a small /proc file, up to the first `end` byte. A pass reads a few of these
// twice a second, so they are read with one call rather than through a stream.
std::string ReadUntil(const std::string& path, char end) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[4096];
    const ssize_t length = read(fd, buffer, sizeof buffer);
    close(fd);
    if (length <= 0) {
        return {};
    }
    const auto* stop = static_cast<const char*>(std::memchr(buffer, end, length));
    return std::string(buffer, stop ? static_cast<std::size_t>(stop - buffer) : length);
}

std::string FirstLine(const std::string& path) {
    return ReadUntil(path, '\n');
}

// argv[0] is the first NUL-terminated string of cmdline.
std::string ProgramName(const std::string& cmdlinePath) {
    return BaseName(ReadUntil(cmdlinePath, '\0'));
}

// "pid (comm) state ...": the name between the first '(' and the last ')', and the state
// letter after it. False when the line cannot be read that way.
bool ParseStat(const std::string& stat, std::string* comm, char* state) {
    const auto open = stat.find('(');
    const auto close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 2 >= stat.size()) {
        return false;
    }
    *comm = stat.substr(open + 1, close - open - 1);
    *state = stat[close + 2];
    return true;
}

// The id of the newest process on the machine: the last field of loadavg, or -1.
long NewestPid(const std::string& root) {
    const std::string line = FirstLine(root + "/loadavg");
    const auto space = line.rfind(' ');
    if (space == std::string::npos) {
        return -1;
    }
    char* end = nullptr;
    const char* digits = line.c_str() + space + 1;
    const long pid = std::strtol(digits, &end, 10);
    return end != digits && *end == '\0' ? pid : -1;
}

bool IsPid(const char* name) {
    if (!*name) {
        return false;
    }
    for (; *name; ++name) {
        if (*name < '0' || *name > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ProcProcessList::Wanted(const std::string& name) const {
    return !name.empty() && name.size() >= m_prefix.size() &&
           text::EqualsIgnoreCase(std::string_view(name).substr(0, m_prefix.size()), m_prefix);
}

bool ProcProcessList::Snapshot(std::vector<RunningProcess>* names, long* error) const {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_pass;
    const bool rereadAll = m_pass % kRereadEvery == 0;
    const long newest = NewestPid(m_root);
    if (!rereadAll && newest >= 0 && newest == m_newest && !m_young && ListedStillRun(names)) {
        return true;
    }
    // Read before the scan: a process created while it runs shows as newer at the next pass.
    // A scan that fails leaves nothing to trust, so the next pass scans again.
    const bool scanned = Scan(names, error, rereadAll);
    m_newest = scanned ? newest : -1;
    return scanned;
}

bool ProcProcessList::ListedStillRun(std::vector<RunningProcess>* names) const {
    names->clear();
    for (const std::string& pid : m_listed) {
        const Seen& known = m_seen.at(pid);
        std::string comm;
        char state = 0;
        if (!ParseStat(FirstLine(m_root + "/" + pid + "/stat"), &comm, &state) ||
            comm != known.comm || state == 'Z' || state == 'X') {
            return false;
        }
        names->push_back({known.comm, known.uid});
        if (!known.program.empty()) {
            names->push_back({known.program, known.uid});
        }
    }
    return true;
}

bool ProcProcessList::Scan(std::vector<RunningProcess>* names, long* error, bool rereadAll) const {
    DIR* dir = opendir(m_root.c_str());
    if (!dir) {
        *error = errno;
        return false;
    }
    std::unordered_map<std::string, Seen> seen;
    names->clear();
    m_listed.clear();
    m_young = false;
    while (dirent* entry = readdir(dir)) {
        if (!IsPid(entry->d_name)) {
            continue;
        }
        const std::string pid = entry->d_name;
        const std::string base = m_root + "/" + pid;
        auto known = m_seen.find(pid);
        Seen process;
        if (known != m_seen.end() && !Wanted(known->second.comm) &&
            !Wanted(known->second.program) && !rereadAll && known->second.passes >= kYoungPasses) {
            // A process of no interest, seen before: it is still what it was.
            process = known->second;
            ++process.passes;
            seen.emplace(pid, std::move(process));
            continue;
        }
        // A process may end while it is read: what cannot be read is simply not listed.
        process.comm = FirstLine(base + "/comm");
        if (process.comm.empty()) {
            continue;
        }
        const bool same = known != m_seen.end() && known->second.comm == process.comm;
        process.program = same ? known->second.program : ProgramName(base + "/cmdline");
        process.passes = known != m_seen.end() ? known->second.passes + 1 : 0;
        m_young = m_young || process.passes < kYoungPasses;
        const bool wanted = Wanted(process.comm) || Wanted(process.program);
        std::string stat;
        char state = 0;
        struct stat owner {};
        if (wanted && ParseStat(FirstLine(base + "/stat"), &stat, &state) && state != 'Z' &&
            state != 'X' && ::stat(base.c_str(), &owner) == 0) {
            process.uid = owner.st_uid;
            names->push_back({process.comm, process.uid});
            if (!process.program.empty()) {
                names->push_back({process.program, process.uid});
            }
            m_listed.push_back(pid);
        }
        seen.emplace(pid, std::move(process));
    }
    closedir(dir);
    m_seen = std::move(seen);
    return true;
}

const ProcessList& DefaultProcessList() {
    static const ProcProcessList list;
    return list;
}

}  // namespace platform
