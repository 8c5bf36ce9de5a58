#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Result codes of a settings-store read, numbered as the Windows registry numbers them.
constexpr long kSettingsSuccess = 0;
constexpr long kSettingsNotFound = 2;    // key or value missing
constexpr long kSettingsMoreData = 234;  // value larger than the caller's buffer

// One opened key of the machine-wide settings store, read only.
class SettingsKey {
  public:
    virtual ~SettingsKey() = default;
    // Copies the value's bytes into `buffer` when they fit into `*size` bytes and stores the
    // number of bytes copied in `*size`. A string value occupies its length plus one NUL byte,
    // a dword four bytes; the stored type is not looked at. Returns one of the codes above and
    // leaves the code as the thread's last error.
    virtual long QueryValue(const char* name, void* buffer, std::uint32_t* size) const = 0;
};

// The machine-wide settings store (HKEY_LOCAL_MACHINE), read only.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // Opens the key at `path` (for example "SOFTWARE\QEL_IP\1"), comparing names without
    // regard to case. Returns null, and sets the thread's last error, when the key is missing.
    virtual std::unique_ptr<SettingsKey> OpenKey(const std::string& path) const = 0;
};

// The thread's last platform error code, as GetLastError would report it.
long LastError();
void SetLastError(long code);

// Reads a string value into a buffer of `limit` bytes. Returns false when the value is
// missing or does not fit; `out` then stays unchanged.
bool QueryString(const SettingsKey& key, const char* name, std::uint32_t limit, std::string* out);
// Reads a 4-byte value.
bool QueryDword(const SettingsKey& key, const char* name, std::int32_t* out);

// The settings store of this machine: the registry-export file named by QEL_IP_REGISTRY,
// by default /etc/qel_ip/qel_ip.reg.
const SettingsStore& DefaultSettingsStore();
std::string DefaultSettingsStorePath();

}  // namespace platform
