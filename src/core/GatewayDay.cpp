#include "core/GatewayDay.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/MarketType.h"
#include "platform/FileSystem.h"

namespace {

const char* const kWords[] = {"running",      "stopped",       "connected",
                              "disconnected", "watch-started", "watch-ended"};
constexpr int kDaysKept = 7;

}  // namespace

GatewayDay::GatewayDay(std::string folder, std::string date)
    : m_folder(std::move(folder)), m_date(std::move(date)) {
    Load();
    RemoveOldFiles();
}

const char* GatewayDay::WhatText(What what) {
    return kWords[what];
}

std::string GatewayDay::Path() const {
    return m_folder + "/gateway-day-" + m_date + ".txt";
}

// Lines "TIME MARKET WHAT" ("1765090800 FO running", "1765090800 - watch-started"); a line
// that does not read so is passed over.
void GatewayDay::Load() {
    m_changes.clear();
    if (m_folder.empty()) {
        return;
    }
    std::ifstream file(Path());
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        long long time = 0;
        std::string market, word;
        if (!(words >> time >> market >> word)) {
            continue;
        }
        int code = 0;
        for (int c = 1; c <= kMarketCount; ++c) {
            code = market == MarketName(c) ? c : code;
        }
        for (int what = 0; what <= kWatchEnded; ++what) {
            if (word == kWords[what] && (code != 0) == (what < kWatchStarted)) {
                m_changes.push_back({time, code, static_cast<What>(what)});
            }
        }
    }
}

// Days since 1970 of a "YYYYMMDD" date; 0 for text that is none.
static long DayNumber(const std::string& date) {
    const int value = std::atoi(date.c_str());
    const std::chrono::year_month_day day{std::chrono::year(value / 10000),
                                          std::chrono::month(value / 100 % 100),
                                          std::chrono::day(value % 100)};
    return day.ok() ? std::chrono::sys_days(day).time_since_epoch().count() : 0;
}

void GatewayDay::RemoveOldFiles() const {
    const long today = DayNumber(m_date);
    if (m_folder.empty() || today == 0) {
        return;
    }
    for (const std::string& name : platform::FindFiles(m_folder, "gateway-day-*.txt")) {
        const long day = DayNumber(name.substr(12, 8));
        if (day != 0 && today - day > kDaysKept) {
            std::remove((m_folder + "/" + name).c_str());
        }
    }
}

// Whether `what` is the state the market is in already (its last change of the same pair
// since the console started).
bool GatewayDay::Repeats(int market, What what) const {
    const bool running = what == kRunning || what == kStopped;
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        if (it->market == 0 && it->what == kWatchStarted) {
            break;  // after a start of the console every state is said again
        }
        if (it->market == market && (it->what == kRunning || it->what == kStopped) == running) {
            return it->what == what;
        }
    }
    // A page starts unconnected: only its first connection is news.
    return what == kDisconnected;
}

void GatewayDay::Record(int market, What what, std::int64_t time, const std::string& date) {
    if (date != m_date) {
        m_date = date;
        m_changes.clear();
        RemoveOldFiles();
    }
    if (market != 0 && Repeats(market, what)) {
        return;
    }
    m_changes.push_back({time, market, what});
    if (m_folder.empty()) {
        return;
    }
    mkdir(m_folder.c_str(), 0700);
    if (std::FILE* file = std::fopen(Path().c_str(), "a")) {
        std::fprintf(file, "%lld %s %s\n", static_cast<long long>(time),
                     market == 0 ? "-" : MarketName(market), kWords[what]);
        std::fclose(file);
    }
}
