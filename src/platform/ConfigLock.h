#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// How long a writer waits for another writer of the same configuration, and what it does
// meanwhile (the window keeps painting; zevo-cli just waits).
struct LockWait {
    int milliseconds = 10000;
    std::function<void()> waiting;  // called about every 20 ms while the lock is held elsewhere
};

// What every writer of this process uses unless it is given another; `SetLockWait` installs
// one (the window's keeps its event loop going). Returns the previous one.
const LockWait& InstalledLockWait();
LockWait SetLockWait(const LockWait& wait);

// The file whose advisory lock guards a folder's configuration files.
inline constexpr const char* kConfigLockName = ".zevo-config.lock";

// The lock every ZEVO writer of the gateways' configuration takes, across processes and
// accounts (the window, zevo-cli by hand or from cron as root, an operator in the gateways'
// group): an flock on ".zevo-config.lock" in each folder that holds one of the files to be
// written (links followed, so a linked file is guarded where it is replaced). Folders are
// locked in name order, so two writers of the same folders never wait for each other in a
// circle. Within one process the lock is taken again at once (a save that reads under the
// lock and then writes under it too).
//
// The lock file is made readable and writable for the folder's owner and group only (mode
// 0660, the folder's group), so the accounts that may change the configuration can all take
// it and no other account can hold it. Its holder writes who it is into it, so a writer that
// gives up can name the holder.
//
// On first taking a folder's lock, temporary files that an interrupted save left there
// ("<name>.tmp.XXXXXX" beside an existing "<name>") are removed: while the lock is held no
// other ZEVO writer can be using one.
class ConfigLock {
  public:
    explicit ConfigLock(const std::vector<std::string>& files,
                        const LockWait& wait = InstalledLockWait());
    ~ConfigLock();
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

    bool Held() const { return m_held; }
    // Why the lock is not held, naming the holder when another writer has it
    // ("/etc/qel is being changed by zevo-cli (pid 4242, user root) since 17:03:01").
    const std::string& Refusal() const { return m_refusal; }
    // Temporary files removed when the lock was taken (full paths).
    const std::vector<std::string>& RemovedTemporaries() const { return m_removed; }

  private:
    std::vector<std::string> m_folders;  // locked, in the order taken
    bool m_held = false;
    std::string m_refusal;
    std::vector<std::string> m_removed;
};

// The folder that holds `path` once links are followed ("." for a bare name).
std::string FolderOfFileBehind(const std::string& path);

}  // namespace platform
