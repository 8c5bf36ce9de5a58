#pragma once

#include <string>

namespace platform {

// The rule that one ZEVO runs per user. The first instance holds an advisory lock on
// "<runtime dir>/<name>.lock" (the kernel drops it when the process ends, however it ends)
// and listens on "<name>.sock"; a second instance finds the lock taken and signals the first
// through that socket. The signal works like a manual-reset event: it stays set until reset.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& name = "ZEVOClient4.0");
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool IsFirst() const { return m_listener >= 0; }
    // Second instance: sets the first instance's event.
    void SignalFirst();
    // First instance: whether a second instance has signalled since the last reset; never waits.
    bool IsSignalled();
    void Reset();

    static std::string RuntimeDirectory();

private:
    void Drain();

    std::string m_lockPath;
    std::string m_socketPath;
    int m_lock = -1;
    int m_listener = -1;
    bool m_signalled = false;
};

}  // namespace platform
