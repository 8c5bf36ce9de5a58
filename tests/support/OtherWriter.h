#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/ConfigLock.h"

namespace testing_support {

// A child process that holds the lock of `files` until told to let go.
class OtherWriter {
  public:
    explicit OtherWriter(const std::vector<std::string>& files) {
        if (pipe(m_ready) != 0 || pipe(m_release) != 0) {
            return;
        }
        if ((m_pid = fork()) == 0) {
            platform::ConfigLock lock(files);
            char byte = lock.Held() ? 'y' : 'n';
            (void)!write(m_ready[1], &byte, 1);
            (void)!read(m_release[0], &byte, 1);
            _exit(0);
        }
        char held = 0;
        m_held = read(m_ready[0], &held, 1) == 1 && held == 'y';
    }
    ~OtherWriter() { LetGo(); }
    void LetGo() {
        if (m_pid > 0) {
            (void)!write(m_release[1], "x", 1);
            waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
    }
    bool Held() const { return m_held; }
    pid_t Pid() const { return m_pid; }

  private:
    int m_ready[2] = {-1, -1}, m_release[2] = {-1, -1};
    pid_t m_pid = 0;
    bool m_held = false;
};

}  // namespace testing_support
