#pragma once

#include <QWidget>
#include <cstdint>

class LogMessageModel;

// A strip of bars above a log page's list: the rows the page holds per minute (per second
// when zoomed in), stacked by kind of reason code (11xxx users' links, 12xxx the gateway's
// link to the trading host, 13xxx queue alarms, others), with the active filter's matches
// drawn over them. The kinds differ in pattern as well as colour, and a legend names them.
// Clicking a bar asks for the list to go to that time; dragging picks a time range for the
// filter; the wheel zooms around the pointer, a double click or Escape shows all again.
//
// Painted with QPainter: Qt Charts and QCustomPlot are GPL-3, and using either would mean
// relicensing the whole program.
class LogVolumeStrip : public QWidget {
    Q_OBJECT
  public:
    explicit LogVolumeStrip(LogMessageModel* model, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The time shown, seconds since 1970: [From(), To()); the whole of the rows unless zoomed.
    std::int64_t From() const;
    std::int64_t To() const;
    // Seconds per bar at the present width and range: 1 when zoomed in far enough, else
    // whole minutes.
    int Step() const;
    // The x of the start of the bar holding `second`, and the second at an x.
    int XOf(std::int64_t second) const;
    std::int64_t SecondAt(int x) const;
    // Shows [from, to) (zoomed), or with from == to everything again.
    void Zoom(std::int64_t from, std::int64_t to);

  signals:
    // A bar was clicked: the list goes to the first row of [from, to).
    void barClicked(qint64 from, qint64 to);
    // A time range was dragged: it becomes the filter's.
    void rangePicked(qint64 from, qint64 to);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QRect Plot() const;
    int LegendHeight() const;
    void PaintLegend(QPainter& painter) const;
    void PaintAxis(QPainter& painter, const QRect& plot) const;

    LogMessageModel* m_model;
    std::int64_t m_zoomFrom = 0;
    std::int64_t m_zoomTo = 0;  // equal: not zoomed
    int m_pressX = -1;
    int m_dragX = -1;
};
