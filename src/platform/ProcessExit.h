#pragma once

#include <functional>

namespace platform {

// Ends the program at once with `code`: nothing is saved or closed first and no destructor
// runs. Returns only when a test has installed its own ending, so callers return right after.
void ExitProcess(int code);

// Installs `ending` in place of the real one (an empty function restores it); returns the
// one installed before.
std::function<void(int)> InstallExitSeam(std::function<void(int)> ending);
// The real ending: output flushed, then _exit.
void RealExit(int code);

}  // namespace platform
