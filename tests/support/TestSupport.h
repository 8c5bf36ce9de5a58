#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "InstallationLayout.h"
#include "platform/Clock.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// A clock that tests set; weekday is derived from the date. Safe to use from many threads.
class FakeClock final : public platform::Clock {
  public:
    FakeClock(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
              int millisecond = 0) {
        Set(year, month, day, hour, minute, second, millisecond);
    }
    void Set(int year, int month, int day, int hour, int minute, int second, int millisecond);
    platform::LocalTime Now() const override;
    std::int64_t UnixSeconds() const override;

  private:
    mutable std::mutex lock_;
    platform::LocalTime now_;
    std::int64_t seconds_ = 0;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Lines of a text file, without their line feeds.
std::vector<std::string> ReadLines(const std::string& path);
// Names of the files in a folder, sorted.
std::vector<std::string> ListDir(const std::string& path);
// The text with CR LF line ends, as files from Windows have them.
std::string WithCrLf(const std::string& text);
// The value of the first line "KEY=value" of `text` (without its line end); "" when none.
std::string ValueOf(const std::string& text, const std::string& key);

// An activity-log line without its source line number and timestamp:
// "LEVEL|message|file|operation".
std::string WithoutLineAndTime(const std::string& line);

// How many lines of an activity-log file equal "LEVEL|message|file|operation".
std::size_t CountLogLines(const std::string& path, const std::string& expected);

// The lines of the activity logs in the layout's log folder, oldest first.
std::vector<std::string> LogFolderLines(const InstallationLayout& layout);

// Whether a fresh socket binds to the loopback port (it is free), or with `connectTo`
// connects to it (something listens); the socket is closed at once.
bool OnLoopback(int port, bool connectTo);

// A base port from which the 21 ports of a seven-market installation are free on loopback now;
// tests running side by side (and the demo) get different ones.
int FreeBasePort();

// An installation of `markets` (and FIX files for `fixMarkets`) written under `root`, on free
// ports.
InstallationLayout LaidOut(const std::string& root, std::vector<int> markets,
                           std::vector<int> fixMarkets = {});

// For tests whose gateways run in the test itself: records an installation that names the
// test's own account as the gateways', so its connections to them are trusted.
void TrustOwnGateways();

// Waits until `condition` holds or `timeout` passes; returns the condition's last value.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace testing_support
