#include "platform/SettingsStore.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/RegistryFile.h"

namespace platform {

namespace {
thread_local long t_lastError = 0;
}

long LastError() {
    return t_lastError;
}
void SetLastError(long code) {
    t_lastError = code;
}

bool QueryString(const SettingsKey& key, const char* name, std::uint32_t limit, std::string* out) {
    std::vector<char> buffer(limit + 1, '\0');
    std::uint32_t size = limit;
    if (key.QueryValue(name, buffer.data(), &size) != kSettingsSuccess) {
        return false;
    }
    // The buffer is read as a C string, as the registry's callers read it.
    *out = std::string(buffer.data(), strnlen(buffer.data(), size));
    return true;
}

bool QueryDword(const SettingsKey& key, const char* name, std::int32_t* out) {
    unsigned char bytes[4] = {0, 0, 0, 0};
    std::uint32_t size = sizeof bytes;
    if (key.QueryValue(name, bytes, &size) != kSettingsSuccess) {
        return false;
    }
    *out = static_cast<std::int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                     (static_cast<std::uint32_t>(bytes[3]) << 24));
    return true;
}

std::string DefaultSettingsStorePath() {
    const char* env = std::getenv("QEL_IP_REGISTRY");
    return (env && *env) ? env : "/etc/qel_ip/qel_ip.reg";
}

const SettingsStore& DefaultSettingsStore() {
    static const RegistryFileStore store(DefaultSettingsStorePath());
    return store;
}

}  // namespace platform
