// The settings-store file: a registry export of any bytes, parsed and then read the way the
// program reads it, through a store opened on the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzFiles.h"
#include "base/Settings.h"
#include "platform/RegistryFile.h"
#include "platform/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string keyPath = input.ConsumeRandomLengthString(64);
    const std::string valueName = input.ConsumeRandomLengthString(64);
    const std::uint32_t limit = input.ConsumeIntegralInRange<std::uint32_t>(0, 600);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const platform::RegistryFile parsed = platform::RegistryFile::Parse(text);
    for (const std::string& path :
         {keyPath, std::string(settings::kRoot), std::string("SOFTWARE\\QEL_IP\\1")}) {
        if (const platform::RegistryFile::Values* values = parsed.FindKey(path)) {
            if (!parsed.HasKey(path)) {
                __builtin_trap();  // a key that is found exists
            }
            for (const auto& [name, bytes] : *values) {
                volatile std::size_t seen = name.size() + bytes.size();
                (void)seen;
            }
        }
    }

    const std::string path = fuzz_files::Folder() + "/qel_ip.reg";
    if (!fuzz_files::Write(path, text)) {
        return 0;
    }
    const platform::RegistryFileStore store(path);
    for (const std::string& keyName : {keyPath, std::string(settings::kRoot)}) {
        if (auto key = store.OpenKey(keyName)) {
            std::string value;
            platform::QueryString(*key, valueName.c_str(), limit, &value);
            platform::QueryString(*key, "ZEVO_LOG_FILES_PATH", limit, &value);
            std::int32_t number = 0;
            platform::QueryDword(*key, valueName.c_str(), &number);
            std::string buffer(limit, '\0');
            std::uint32_t capacity = limit;
            if (key->QueryValue(valueName.c_str(), buffer.data(), &capacity) ==
                    platform::kSettingsSuccess &&
                capacity > limit) {
                __builtin_trap();  // never more bytes than the caller's buffer holds
            }
        }
    }
    fuzz_files::Empty(fuzz_files::Folder());
    return 0;
}
