// The gateways' key=value configuration files: any file content, looked up with any key and
// rewritten with new values. A rewrite never leaves the file missing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "config/KeyValueFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int count = input.ConsumeIntegralInRange<int>(0, 4);
    char keys[4][40] = {};
    char values[4][40] = {};
    for (int i = 0; i < count; ++i) {
        const std::string key = input.ConsumeRandomLengthString(39);
        const std::string value = input.ConsumeRandomLengthString(39);
        std::memcpy(keys[i], key.data(), key.size());
        std::memcpy(values[i], value.data(), value.size());
    }
    const int capacity = input.ConsumeIntegralInRange<int>(1, 600);
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::string path = fuzz_files::Folder() + "/QEL_IP_CM.cfg";
    if (!fuzz_files::Write(path, content)) {
        return 0;
    }
    const char* lookups[] = {keys[0], keys[1], "PORT", "QEL_IP_INTERFACE_THREAD_PORT"};
    for (const char* key : lookups) {
        int number = -7;
        get_int_parameter(path.c_str(), key, &number);
        std::vector<char> text(static_cast<std::size_t>(capacity) + 1, '\x7f');
        const int found = get_string_parameter(path.c_str(), key, text.data(), capacity);
        if (found == 0 &&
            std::memchr(text.data(), '\0', static_cast<std::size_t>(capacity)) == nullptr) {
            __builtin_trap();  // a stored value is terminated within the capacity
        }
        if (text[static_cast<std::size_t>(capacity)] != '\x7f') {
            __builtin_trap();  // nothing is written past the capacity
        }
    }

    char errorText[1024] = {};
    const int result = write_configuration_parameters(path.c_str(), keys, values, count, errorText);
    if (result != 300 && !fuzz_files::Exists(path)) {
        __builtin_trap();  // a rewrite never loses the file
    }
    if (result == 9000 || result == 9001 || result == 9002 || result == 1) {
        int number = 0;
        get_int_parameter(path.c_str(), keys[0], &number);
    }
    fuzz_files::Empty(fuzz_files::Folder());
    return 0;
}
