#include "platform/ProcessExit.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace platform {
namespace {
std::function<void(int)>& Seam() {
    static std::function<void(int)> seam;
    return seam;
}
}  // namespace

void RealExit(int code) {
    std::fflush(nullptr);
    _exit(code);
}

void ExitProcess(int code) {
    if (Seam()) {
        Seam()(code);
        return;
    }
    RealExit(code);
}

std::function<void(int)> InstallExitSeam(std::function<void(int)> ending) {
    return std::exchange(Seam(), std::move(ending));
}

}  // namespace platform
