// Saves gateway configuration files in a loop the way the configuration dialogs save them
// (write_configuration_parameters), while a second thread keeps reading the same files. After
// every save the file must read back whole, and the reader must never find a file missing or
// holding anything but a whole old or new content.
//   config_saver --seconds N FILE...     (SIGTERM or SIGINT end it early, with the figures)
// Prints "saves S reads R missing M partial P" and ends with 1 when M or P is not 0.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/KeyValueFile.h"

namespace {

constexpr const char* kKey = "ZEVO_SOAK_SAVE";

volatile std::sig_atomic_t g_ended = 0;
void OnEndSignal(int) {
    g_ended = 1;
}

enum class Reading { Whole, Missing, Partial };

bool ReadAll(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    *text = bytes.str();
    return true;
}

// A whole file is its fixed lines followed by one "ZEVO_SOAK_SAVE=<digits>" line.
Reading Check(const std::string& path, const std::string& fixed, std::string* value) {
    std::string text;
    if (!ReadAll(path, &text)) {
        return Reading::Missing;
    }
    const std::string head = fixed + kKey + "=";
    if (text.size() <= head.size() + 1 || text.compare(0, head.size(), head) != 0 ||
        text.back() != '\n') {
        return Reading::Partial;
    }
    *value = text.substr(head.size(), text.size() - head.size() - 1);
    for (char c : *value) {
        if (c < '0' || c > '9') {
            return Reading::Partial;
        }
    }
    return Reading::Whole;
}

bool Save(const std::string& path, long number) {
    char keys[1][40] = {};
    char values[1][40] = {};
    std::snprintf(keys[0], sizeof keys[0], "%s", kKey);
    std::snprintf(values[0], sizeof values[0], "%ld", number);
    char error[1024] = {};
    const int result = write_configuration_parameters(path.c_str(), keys, values, 1, error);
    if (result != 9000 && result != 9002 && result != 1) {
        std::fprintf(stderr, "config_saver: saving %s gave %d: %s\n", path.c_str(), result, error);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: config_saver --seconds N FILE...\n");
        return 2;
    }

    // The first save puts the key at the end of each file; what comes before it never changes.
    std::vector<std::string> fixed;
    for (const std::string& path : files) {
        std::string text;
        if (!Save(path, 0) || !ReadAll(path, &text)) {
            std::fprintf(stderr, "config_saver: cannot prepare %s\n", path.c_str());
            return 2;
        }
        const std::string line = std::string(kKey) + "=0\n";
        if (text.size() < line.size() ||
            text.compare(text.size() - line.size(), line.size(), line) != 0) {
            std::fprintf(stderr, "config_saver: %s does not end with the saved key\n",
                         path.c_str());
            return 2;
        }
        fixed.push_back(text.substr(0, text.size() - line.size()));
    }

    std::atomic<bool> stop{false};
    std::atomic<long> reads{0}, missing{0}, partial{0};
    std::thread reader([&] {
        std::string value;
        while (!stop.load()) {
            for (std::size_t i = 0; i < files.size(); ++i) {
                const Reading reading = Check(files[i], fixed[i], &value);
                ++reads;
                if (reading == Reading::Missing) {
                    ++missing;
                } else if (reading == Reading::Partial) {
                    ++partial;
                }
            }
        }
    });

    long saves = 0;
    bool failed = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::signal(SIGTERM, OnEndSignal);
    std::signal(SIGINT, OnEndSignal);
    while (std::chrono::steady_clock::now() < end && !failed && !g_ended) {
        for (std::size_t i = 0; i < files.size() && !failed; ++i) {
            const long number = ++saves;
            std::string value;
            failed = !Save(files[i], number);
            const Reading reading = Check(files[i], fixed[i], &value);
            if (reading != Reading::Whole || value != std::to_string(number)) {
                std::fprintf(stderr, "config_saver: %s is not whole after save %ld\n",
                             files[i].c_str(), number);
                reading == Reading::Missing ? ++missing : ++partial;
            }
        }
    }
    stop = true;
    reader.join();
    std::printf("saves %ld reads %ld missing %ld partial %ld\n", saves, reads.load(),
                missing.load(), partial.load());
    return failed || missing.load() || partial.load() ? 1 : 0;
}
