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

// The folder part of a '/' path: "." for a bare name, "/" for a file at the root.
std::string DirectoryOf(const std::string& path);

// The file a symbolic link names once every link is followed; any other path as it is (a
// link that cannot be resolved stays as it is too, and whoever looks at it next reports it).
std::string FileBehind(const std::string& path);

}  // namespace platform
