#pragma once

#include <string>

namespace platform {

// The rule that one ZEVO runs per user. The first instance holds an advisory lock on
// "<runtime dir>/<name>-<uid>.lock" (the kernel drops it when the process ends, however it
// ends) and listens on "<name>-<uid>.sock"; a second instance finds the lock taken and
// signals the first through that socket. The signal works like a manual-reset event: it
// stays set until reset.
//
// Only a lock held by another process makes a second instance. Without a runtime folder
// (XDG_RUNTIME_DIR), or when it cannot be used (missing, not writable, a path too long for a
// socket), the rule lives in the private folder "/tmp/zevo-<uid>" ($TMPDIR in place of /tmp
// when set): made with mode 0700, and refused unless it is a real folder of the user's with
// mode 0700. The lock file is never opened through a link and must be the user's; the socket
// has mode 0600. Failing all that ZEVO runs without the rule. Each step off the runtime folder
// is said on standard error.
class SingleInstance {
  public:
    // `folder`: where the rule lives; empty for the user's runtime folder (with the fallback
    // above). A folder given is used as it is, without a fallback.
    explicit SingleInstance(const std::string& name = "ZEVOClient4.0",
                            const std::string& folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False only when another instance holds the lock.
    bool IsFirst() const { return !m_second; }
    // Second instance: sets the first instance's event.
    void SignalFirst();
    // First instance: whether a second instance has signalled since the last reset; never waits.
    bool IsSignalled();
    void Reset();

    static std::string RuntimeDirectory();
    // "$XDG_STATE_HOME/zevo", else "$HOME/.local/state/zevo": in the user's home, where no
    // other account can make it first; empty when neither is set.
    static std::string StateDirectory();
    // "/tmp/zevo-<uid>" ($TMPDIR in place of /tmp when set), made private to the user.
    static std::string PrivateDirectory();

  private:
    enum class Outcome { Guarded, HeldByAnother, Unusable };
    Outcome TryFolder(const std::string& folder, std::string* why);
    Outcome TryFallbacks(const std::string& runtime, const std::string& runtimeWhy);
    void Drain();

    std::string m_name;
    std::string m_lockPath;
    std::string m_socketPath;
    int m_lock = -1;
    int m_listener = -1;
    bool m_second = false;
    bool m_signalled = false;
};

}  // namespace platform
