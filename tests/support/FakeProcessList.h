#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ProcessList.h"
#include "support/TestSupport.h"

namespace testing_support {

// The process list a test decides: which gateway names run (as the test's own account,
// the owner of the files it lays out), and how long taking the list lasts. Read by the
// status thread, set by the test.
class FakeProcessList final : public platform::ProcessList {
  public:
    void SetRunning(const std::vector<std::string>& names) {
        std::lock_guard<std::mutex> guard(lock_);
        names_.clear();
        for (const std::string& name : names) {
            names_.push_back({name, static_cast<std::uint32_t>(geteuid())});
        }
    }
    void SetDelay(std::chrono::milliseconds delay) { delay_ = delay; }

    bool Snapshot(std::vector<platform::RunningProcess>* names, long*) const override {
        ++taken;
        std::this_thread::sleep_for(delay_.load());
        std::lock_guard<std::mutex> guard(lock_);
        *names = names_;
        return true;
    }

    mutable std::atomic<int> taken{0};

  private:
    mutable std::mutex lock_;
    std::vector<platform::RunningProcess> names_;
    std::atomic<std::chrono::milliseconds> delay_{std::chrono::milliseconds(0)};
};

// A /proc of files: each process's comm, stat and cmdline as the kernel shows them.
struct FakeProc : TempDir {
    void Process(const std::string& pid, const std::string& comm, char state,
                 const std::string& cmdline) {
        mkdir(File(pid).c_str(), 0755);
        WriteFile(File(pid) + "/comm", comm + "\n");
        WriteFile(File(pid) + "/stat", pid + " (" + comm + ") " + state + " 1 1\n");
        WriteFile(File(pid) + "/cmdline", cmdline);
    }
    // The newest process id, as /proc/loadavg shows it.
    void Newest(const std::string& pid) {
        WriteFile(File("loadavg"), "0.01 0.02 0.00 1/97 " + pid + "\n");
    }
};

}  // namespace testing_support
