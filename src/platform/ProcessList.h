#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

// A name a process was started under, and the account it runs as.
struct RunningProcess {
    std::string name;
    std::uint32_t uid = 0;

    bool operator==(const RunningProcess&) const = default;
};

// The machine's running processes, by the names they were started under.
class ProcessList {
  public:
    virtual ~ProcessList() = default;
    // Fills `names` with every process's names: the base name of argv[0] and the kernel's
    // process name (comm), each with the process's account. Returns false, with an error
    // number in `error`, when the list cannot be taken.
    virtual bool Snapshot(std::vector<RunningProcess>* names, long* error) const = 0;
};

// One list taken from `source` once, then given to every question asked of it: one look at
// the machine serves all markets. A list that could not be taken fails every question, with
// the same error, as separate looks would.
class ProcessSnapshot final : public ProcessList {
  public:
    explicit ProcessSnapshot(const ProcessList& source) {
        m_ok = source.Snapshot(&m_names, &m_error);
    }
    bool Snapshot(std::vector<RunningProcess>* names, long* error) const override {
        *names = m_names;
        *error = m_error;
        return m_ok;
    }
    bool Taken() const { return m_ok; }
    long Error() const { return m_error; }

  private:
    std::vector<RunningProcess> m_names;
    long m_error = 0;
    bool m_ok = false;
};

// The list read from /proc. A process that has ended but is not yet reaped (a zombie) is
// not listed: its program no longer runs. With a name prefix, only processes whose names
// begin with it (ignoring case) are listed.
class ProcProcessList final : public ProcessList {
  public:
    explicit ProcProcessList(std::string procRoot = "/proc", std::string namePrefix = "")
        : m_root(std::move(procRoot)), m_prefix(std::move(namePrefix)) {}
    bool Snapshot(std::vector<RunningProcess>* names, long* error) const override;

  private:
    // What one process was started as. The command line is read again only when the
    // kernel's name changed (a new process under that id, or an exec).
    struct Seen {
        std::string comm;
        std::string program;
        std::uint32_t uid = 0;  // the account it runs as (the owner of its /proc folder)
        int passes = 0;         // whole passes since the process was first seen
    };
    // A young process (a fork is followed by its exec within moments) has its name read at
    // each whole pass; every process has it read at every tenth pass.
    static constexpr int kYoungPasses = 6;
    static constexpr int kRereadEvery = 10;

    // While no process has been started since the last pass and none is young, a pass only
    // checks that the listed processes still run as they were: a few small reads instead of
    // one per process on the machine.
    bool ListedStillRun(std::vector<RunningProcess>* names) const;
    bool Scan(std::vector<RunningProcess>* names, long* error, bool rereadAll) const;
    bool Wanted(const std::string& name) const;

    std::string m_root;
    std::string m_prefix;
    mutable std::mutex m_lock;
    mutable std::unordered_map<std::string, Seen> m_seen;  // pid -> names
    mutable std::vector<std::string> m_listed;             // pids listed by the last pass
    mutable long m_newest = -1;
    mutable bool m_young = false;
    mutable unsigned m_pass = 0;
};

const ProcessList& DefaultProcessList();

}  // namespace platform
