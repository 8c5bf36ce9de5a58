#pragma once

#include <string>
#include <vector>

namespace platform {

// Names (not paths) of the files in `directory` that match `pattern`, where '*' stands for
// any run of characters and '?' for one character, compared without regard to case as the
// Windows file search does. Sorted by name, so "the first file found" is the same on every
// machine. Directories are not listed.
std::vector<std::string> FindFiles(const std::string& directory, const std::string& pattern);

bool WildcardMatch(const std::string& pattern, const std::string& name);

// Renames a file and fails, as the Windows rename does, when the target exists.
bool RenameNoReplace(const std::string& from, const std::string& to);

// The part of a path after its last separator ('/' or '\'), or the whole path.
std::string BaseName(const std::string& path);

}  // namespace platform
