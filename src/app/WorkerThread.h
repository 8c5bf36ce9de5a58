#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A thread that runs a loop of cycles and stops on request at its pauses: the stop request
// wakes every wait, so stopping never waits longer than the step in progress.
class WorkerThread {
  public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread() { Stop(); }

    // Runs `body` on the thread; it calls Cycles or Stopping to see a stop request.
    void Start(std::function<void()> body) { m_thread = std::thread(std::move(body)); }

    // Asks the thread to stop and waits for it to end.
    void Stop() {
        Change([this] { m_stop = true; });
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    bool Stopping() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_stop;
    }

    // Runs `cycle`, then pauses for `period`, until a stop request.
    void Cycles(std::chrono::milliseconds period, const std::function<void()>& cycle) {
        std::unique_lock<std::mutex> guard(m_lock);
        while (!m_stop) {
            guard.unlock();
            cycle();
            guard.lock();
            m_wake.wait_for(guard, period, [this] { return m_stop; });
        }
    }

    // Makes a change under the thread's lock and wakes its waits.
    void Change(const std::function<void()>& change) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            change();
        }
        m_wake.notify_all();
    }

    // Waits until `ready` holds (tested under the lock) or a stop is requested.
    void WaitUntil(const std::function<bool()>& ready) {
        std::unique_lock<std::mutex> guard(m_lock);
        m_wake.wait(guard, [&] { return m_stop || ready(); });
    }

  private:
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
};
