#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Files for the fuzz targets: one private folder per process under the system's temporary
// folder, emptied after every input.
namespace fuzz_files {

inline const std::string& Folder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zevo-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        static const std::string made = pattern;
        std::atexit([] { rmdir(made.c_str()); });
        return pattern;
    }();
    return folder;
}

inline bool Write(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && whole;
}

inline bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// Removes every file of `folder` (no subfolders are made by the targets).
inline void Empty(const std::string& folder) {
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                unlink((folder + "/" + name).c_str());
            }
        }
        closedir(dir);
    }
}

}  // namespace fuzz_files
