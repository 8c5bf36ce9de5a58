#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

#include "core/GatewayDay.h"

class GatewayDayStrip;
class QWidget;
namespace platform {
class Clock;
}

// The main window's record of each gateway's day: the status thread's and the log pages'
// changes go in as they happen, the strip under the status list shows them, and the day is
// kept in the cache folder (`folder`) across restarts of the console.
class GatewayDayWatch : public QObject {
    Q_OBJECT
  public:
    GatewayDayWatch(std::string folder, const platform::Clock& clock, std::vector<int> markets,
                    QWidget* stripParent);
    ~GatewayDayWatch() override;

    GatewayDayStrip* Strip() const { return m_strip; }
    const GatewayDay& Day() const { return m_day; }
    void Running(int market, bool running);
    void Connected(int market, bool connected);

  private:
    void Record(int market, GatewayDay::What what);
    void Refresh();

    const platform::Clock& m_clock;
    GatewayDay m_day;
    GatewayDayStrip* m_strip;
    QTimer m_refresh;
};
