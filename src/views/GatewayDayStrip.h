#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

class GatewayDay;

// Each installed market's day as a lane from midnight to now: running (solid), not running
// (hatched), not watched (blank, before the console started or while it was closed), and a
// thin line under the periods its log page was connected. Hovering a lane lists the times of
// its changes. The lanes read without colour: patterns tell the states apart.
class GatewayDayStrip : public QWidget {
    Q_OBJECT
  public:
    GatewayDayStrip(const GatewayDay& day, std::vector<int> markets, QWidget* parent = nullptr);

    // Where the day starts (local midnight) and where it is now, in seconds since 1970.
    void SetSpan(std::int64_t midnight, std::int64_t now);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // What a lane holds, for the tooltip and the tests: "09:14:02 running" a line.
    QString LaneText(int market) const;
    // The state a lane shows at `time`: 1 running, 0 not running, -1 not watched.
    int RunningAt(int market, std::int64_t time) const;
    bool ConnectedAt(int market, std::int64_t time) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    int LaneHeight() const;
    int LabelWidth() const;
    int XOf(std::int64_t time) const;

    const GatewayDay& m_day;
    std::vector<int> m_markets;
    std::int64_t m_midnight = 0;
    std::int64_t m_now = 0;
};
