#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The history of the configuration files ZEVO writes: a git repository, so that plain
// `git log -p`, `git diff` and `git blame` read it and it can be pushed to a central server.
// Each file is kept under its absolute path without the leading "/" (etc/qel/qel_ip_fo.cfg),
// in the repository's work tree as well, so that the work tree is the last commit. The
// repository is shared with the gateways' group (root and operators both save).
class ConfigHistory {
  public:
    enum class Result { kCommitted, kUnchanged, kFailed };

    // `folder` is the repository's; it is made at the first commit.
    explicit ConfigHistory(std::string folder) : m_folder(std::move(folder)) {}

    const std::string& Folder() const { return m_folder; }
    // Commits the files as they are on disk now, when any of them differs from the last
    // commit (a file that cannot be read is left as it was). `author` is an account name.
    Result Commit(const std::vector<std::string>& files, const std::string& author,
                  const std::string& message, std::string* why) const;
    // Whether the repository holds any commit yet.
    bool HasCommits() const;

    struct Entry {
        std::string id;     // the commit, in full
        std::int64_t time;  // seconds since 1970
        std::string author;
        std::string message;
        std::vector<std::string> files;  // the files it changed, as on disk
    };
    // The commits that changed any of `files` (all commits when empty), newest first.
    bool Log(const std::vector<std::string>& files, std::vector<Entry>* entries,
             std::string* why) const;
    // The unified diff of `to` against `from`; with `from` empty, against `to`'s parent.
    bool Diff(const std::string& from, const std::string& to, std::string* patch,
              std::string* why) const;
    // The unified diff of the files as they are on disk now against `revision`'s versions of
    // them (a file the revision does not hold counts as empty).
    bool DiffWithFiles(const std::string& revision, const std::vector<std::string>& files,
                       std::string* patch, std::string* why) const;
    // The bytes `file` held at `revision`; `held` false when it was not in that commit.
    bool FileAt(const std::string& revision, const std::string& file, std::string* bytes,
                bool* held, std::string* why) const;

    // The path of `file` inside the repository.
    static std::string PathInHistory(const std::string& file);

  private:
    std::string m_folder;
};

// The history of an installation whose activity logs are in `logFolder` (written with or
// without a closing "/").
inline std::string ConfigHistoryFolder(std::string logFolder) {
    while (logFolder.size() > 1 && logFolder.back() == '/') {
        logFolder.pop_back();
    }
    return logFolder + "/history";
}

// The keys whose lines differ between two versions of a configuration file: the names before
// "=" of "KEY=VALUE" lines added or removed, and "[SECTION]" headers, in file order, each once.
std::vector<std::string> ChangedKeys(const std::string& before, const std::string& after);
