#pragma once

#include <string>
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

// The list read from /proc.
class ProcProcessList final : public ProcessList {
public:
    explicit ProcProcessList(std::string procRoot = "/proc") : m_root(std::move(procRoot)) {}
    bool Snapshot(std::vector<std::string>* names, long* error) const override;

private:
    std::string m_root;
};

const ProcessList& DefaultProcessList();

}  // namespace platform
