#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ProcessList.h"

namespace testing_support {

// The process list a test decides: which gateway names run, whether the list can be taken,
// and how long taking it lasts. Read by the status thread, set by the test.
class FakeProcessList final : public platform::ProcessList {
  public:
    void SetRunning(std::vector<std::string> names) {
        std::lock_guard<std::mutex> guard(lock_);
        names_ = std::move(names);
    }
    void FailWith(long error) { error_ = error; }
    void SetDelay(std::chrono::milliseconds delay) { delay_ = delay; }

    bool Snapshot(std::vector<std::string>* names, long* error) const override {
        ++taken;
        std::this_thread::sleep_for(delay_.load());
        if (error_ != 0) {
            *error = error_;
            return false;
        }
        std::lock_guard<std::mutex> guard(lock_);
        *names = names_;
        return true;
    }

    mutable std::atomic<int> taken{0};

  private:
    mutable std::mutex lock_;
    std::vector<std::string> names_;
    std::atomic<long> error_{0};
    std::atomic<std::chrono::milliseconds> delay_{std::chrono::milliseconds(0)};
};

}  // namespace testing_support
