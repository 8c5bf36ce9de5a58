#pragma once

#include <QWidget>
#include <cstdint>

class StatisticsTrendModel;
struct TrendHistory;

// The chart of a statistics page's trend pane: the model's lines over its span, local clock
// times along the bottom, the values and their unit up the left, a gap wherever a figure was
// stale or no number. Each line has a dash pattern of its own and the legend names them, so
// the chart reads without colour; sizes follow the font, colours the palette, and the painter
// draws at the screen's scale. Hovering shows the time and the figures there.
//
// Painted with QPainter: Qt Charts and QCustomPlot are not used, as both are under the GPL-3,
// which would relicense the program.
class TrendChart : public QWidget {
    Q_OBJECT
  public:
    explicit TrendChart(const StatisticsTrendModel& model, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // What the tooltip says at `position`: the time and each line's figure there; empty
    // outside the plot or with nothing drawn.
    QString HoverText(const QPoint& position) const;

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // Where things go, worked out from the widget's size, its font and the model's figures.
    struct Frame {
        QRectF plot;
        double low = 0;
        double high = 1;
        double valueStep = 1;
        std::int64_t from = 0;
        std::int64_t to = 1;
        std::int64_t timeStep = 60;
        int legendRows = 1;
    };
    Frame Layout() const;
    double X(const Frame& frame, std::int64_t time) const;
    double Y(const Frame& frame, double value) const;
    QColor LineColour(std::size_t index) const;
    QPen LinePen(std::size_t index) const;
    double LineWidth() const;

    void PaintAxes(QPainter& painter, const Frame& frame) const;
    void PaintTimeAxis(QPainter& painter, const Frame& frame) const;
    void PaintLegend(QPainter& painter, const Frame& frame) const;
    void PaintGaps(QPainter& painter, const Frame& frame, const TrendHistory& history) const;
    void PaintLine(QPainter& painter, const Frame& frame, std::size_t index) const;

    const StatisticsTrendModel& m_model;
};
