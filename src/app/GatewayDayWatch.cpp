#include "app/GatewayDayWatch.h"

#include "log/Format.h"
#include "platform/Clock.h"
#include "views/GatewayDayStrip.h"

namespace {

std::string DateOf(const platform::LocalTime& t) {
    return Fmt("%04d%02d%02d", t.year, t.month, t.day);
}

}  // namespace

GatewayDayWatch::GatewayDayWatch(std::string folder, const platform::Clock& clock,
                                 std::vector<int> markets, QWidget* stripParent)
    : QObject(stripParent),
      m_clock(clock),
      m_day(std::move(folder), DateOf(clock.Now())),
      m_strip(new GatewayDayStrip(m_day, std::move(markets), stripParent)) {
    Record(0, GatewayDay::kWatchStarted);
    // The lanes grow with the clock; a minute is a pixel or less.
    m_refresh.setInterval(30 * 1000);
    connect(&m_refresh, &QTimer::timeout, this, &GatewayDayWatch::Refresh);
    m_refresh.start();
    Refresh();
}

GatewayDayWatch::~GatewayDayWatch() {
    Record(0, GatewayDay::kWatchEnded);
}

void GatewayDayWatch::Running(int market, bool running) {
    Record(market, running ? GatewayDay::kRunning : GatewayDay::kStopped);
}

void GatewayDayWatch::Connected(int market, bool connected) {
    Record(market, connected ? GatewayDay::kConnected : GatewayDay::kDisconnected);
}

void GatewayDayWatch::Record(int market, GatewayDay::What what) {
    m_day.Record(market, what, m_clock.UnixSeconds(), DateOf(m_clock.Now()));
    Refresh();
}

void GatewayDayWatch::Refresh() {
    const platform::LocalTime t = m_clock.Now();
    const std::int64_t now = m_clock.UnixSeconds();
    m_strip->SetSpan(now - (t.hour * 3600 + t.minute * 60 + t.second), now);
}
