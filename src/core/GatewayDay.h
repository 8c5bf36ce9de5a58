#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Each market's day as the console saw it: when its gateway started and stopped running,
// when its log page connected and lost its connection, and when the console itself started
// and ended (between those nothing was watched). Kept in the cache folder, one small file a
// date ("gateway-day-20261207.txt", a line a change), so that a console started at noon still
// shows the morning; files older than a week go.
class GatewayDay {
  public:
    enum What { kRunning, kStopped, kConnected, kDisconnected, kWatchStarted, kWatchEnded };
    struct Change {
        std::int64_t time;  // seconds since 1970
        int market;         // 0 for the console's own start and end
        What what;
    };

    // `folder` empty: nothing is kept on disk. `date` is today's local date, "YYYYMMDD".
    GatewayDay(std::string folder, std::string date);

    // Records a change at `time`; a state a market is in already is not recorded again. At a
    // new `date` the day starts afresh (in a file of its own).
    void Record(int market, What what, std::int64_t time, const std::string& date);
    const std::vector<Change>& Changes() const { return m_changes; }
    const std::string& Date() const { return m_date; }
    static const char* WhatText(What what);

  private:
    std::string Path() const;
    void Load();
    void RemoveOldFiles() const;
    bool Repeats(int market, What what) const;

    std::string m_folder;
    std::string m_date;
    std::vector<Change> m_changes;
};
