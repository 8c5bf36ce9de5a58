#include "platform/ProcessList.h"

#include <dirent.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/FileSystem.h"

namespace platform {

namespace {

std::string FirstLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    std::getline(in, text);
    return text;
}

// argv[0] is the first NUL-terminated string of cmdline.
std::string ProgramName(const std::string& cmdlinePath) {
    std::ifstream in(cmdlinePath, std::ios::binary);
    std::string argv0;
    std::getline(in, argv0, '\0');
    return BaseName(argv0);
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

bool ProcProcessList::Snapshot(std::vector<std::string>* names, long* error) const {
    DIR* dir = opendir(m_root.c_str());
    if (!dir) {
        *error = errno;
        return false;
    }
    names->clear();
    while (dirent* entry = readdir(dir)) {
        if (!IsPid(entry->d_name)) {
            continue;
        }
        const std::string base = m_root + "/" + entry->d_name;
        // A process may end while it is read: what cannot be read is simply not listed.
        std::string comm = FirstLine(base + "/comm");
        std::string program = ProgramName(base + "/cmdline");
        if (!comm.empty()) {
            names->push_back(std::move(comm));
        }
        if (!program.empty()) {
            names->push_back(std::move(program));
        }
    }
    closedir(dir);
    return true;
}

const ProcessList& DefaultProcessList() {
    static const ProcProcessList list;
    return list;
}

}  // namespace platform
