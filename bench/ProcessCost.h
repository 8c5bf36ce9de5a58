#pragma once

#include <time.h>

#include <cstddef>
#include <cstdio>

// What the benchmarks read of their own process's cost.

// CPU time of the calling thread, in seconds.
inline double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Resident anonymous memory (RssAnon of /proc/self/status) in bytes: the heap and every
// private mapping, but not the pages of mapped files the kernel may write back and drop.
inline std::size_t RssAnonBytes() {
    FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    std::size_t kb = 0;
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "RssAnon: %zu", &kb) == 1) {
            break;
        }
    }
    if (status) {
        std::fclose(status);
    }
    return kb * 1024;
}
