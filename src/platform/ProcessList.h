#pragma once

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

// The machine's running processes, by the names they were started under.
class ProcessList {
  public:
    virtual ~ProcessList() = default;
    // Fills `names` with every process's names: the base name of argv[0] and the kernel's
    // process name (comm). Returns false, with an error number in `error`, when the list
    // cannot be taken.
    virtual bool Snapshot(std::vector<std::string>* names, long* error) const = 0;
};

// The list read from /proc. A process that has ended but is not yet reaped (a zombie) is
// not listed: its program no longer runs. With a name prefix, only processes whose names
// begin with it (ignoring case) are listed, and the others cost one small read a pass.
class ProcProcessList final : public ProcessList {
  public:
    explicit ProcProcessList(std::string procRoot = "/proc", std::string namePrefix = "")
        : m_root(std::move(procRoot)), m_prefix(std::move(namePrefix)) {}
    bool Snapshot(std::vector<std::string>* names, long* error) const override;

  private:
    // What one process was started as. The command line is read again only when the
    // kernel's name changed (a new process under that id, or an exec), so a pass costs one
    // small read per process.
    struct Seen {
        std::string comm;
        std::string program;
        int passes = 0;  // passes since the process was first seen
    };
    // Whether to read a known process's kernel name again this pass: each pass while it is
    // young (a fork is followed by its exec within moments), then every tenth pass.
    static bool Reread(const Seen& known) {
        return known.passes < kYoungPasses || known.passes % 10 == 0;
    }
    static constexpr int kYoungPasses = 6;

    bool Wanted(const std::string& name) const;

    std::string m_root;
    std::string m_prefix;
    mutable std::mutex m_lock;
    mutable std::unordered_map<std::string, Seen> m_seen;  // pid -> names
};

const ProcessList& DefaultProcessList();

}  // namespace platform
