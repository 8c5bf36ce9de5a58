#include "views/TrendChart.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <limits>

#include "views/StatisticsTrendModel.h"

namespace {

// Steps of the time axis, from seconds to a day.
constexpr std::int64_t kTimeSteps[] = {1,     2,     5,     10,    15,     30,    60,
                                       120,   300,   600,   900,   1800,   3600,  7200,
                                       10800, 21600, 43200, 86400, 172800, 604800};

// The first of 1, 2 or 5 times a power of ten that is at least `rough`.
double NiceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough) {
            return factor * power;
        }
    }
    return 10 * power;
}

QString TimeFormat(std::int64_t step) {
    return step < 60 ? "HH:mm:ss" : step < 86400 ? "HH:mm" : "ddd d MMM";
}

QString ClockText(std::int64_t time, const QString& format) {
    return QDateTime::fromSecsSinceEpoch(time).toString(format);
}

QString ValueText(double value, double step) {
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 9);
    return QString::number(value, 'f', decimals);
}

QString FigureText(double value) {
    return QString::number(value, 'g', 15);
}

QString Unit(const std::string& unit) {
    return QString::fromStdString(unit);
}

// Where each point's line ends: at the next point, at a gap, or at the history's end.
std::vector<std::int64_t> HoldEnds(const TrendHistory& history) {
    const auto& points = history.points;
    std::vector<std::int64_t> ends(points.size());
    std::size_t gap = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        while (gap < history.gaps.size() && history.gaps[gap].start < points[k].time) {
            ++gap;
        }
        std::int64_t end =
            k + 1 < points.size() ? points[k + 1].time : std::max(history.end, points[k].time);
        if (gap < history.gaps.size()) {
            end = std::min(end, history.gaps[gap].start);
        }
        ends[k] = end;
    }
    return ends;
}

// A line's words in the tooltip at `time`.
QString FigureAt(const StatisticsTrendModel::Line& line, std::int64_t time) {
    const QString name = QString::fromStdString(line.parameter);
    const auto& points = line.history.points;
    const std::vector<std::int64_t> ends = HoldEnds(line.history);
    for (std::size_t k = points.size(); k-- > 0;) {
        if (points[k].time > time) {
            continue;
        }
        if (time >= ends[k] && ends[k] != line.history.end) {
            break;
        }
        const TrendPoint& p = points[k];
        QString text = name + ": " + FigureText(p.last) + " " + Unit(line.unit);
        if (p.span > 0 && p.min != p.max) {
            text += QString(" (lowest %1, highest %2 in the minute from %3)")
                        .arg(FigureText(p.min), FigureText(p.max), ClockText(p.time, "HH:mm"));
        }
        return text.trimmed();
    }
    return name + ": no figure";
}

}  // namespace

TrendChart::TrendChart(const StatisticsTrendModel& model, QWidget* parent)
    : QWidget(parent), m_model(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

QSize TrendChart::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {metrics.averageCharWidth() * 60, metrics.height() * 10};
}

QSize TrendChart::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {metrics.averageCharWidth() * 30, metrics.height() * 6};
}

void TrendChart::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

bool TrendChart::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = HoverText(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

double TrendChart::LineWidth() const {
    return std::max(1.5, fontMetrics().height() / 8.0);
}

// Colours that stand apart on a light and on a dark background; the dash patterns and the
// legend tell the lines apart without them.
QColor TrendChart::LineColour(std::size_t index) const {
    static const QRgb kColours[] = {0x1f5fa8, 0xc04f00, 0x1b8a5a, 0x7a4fb0, 0xb0306e, 0x806000};
    const QColor colour(kColours[index % std::size(kColours)]);
    const bool dark = palette().color(QPalette::Base).lightness() < 128;
    return dark ? colour.lighter(190) : colour;
}

QPen TrendChart::LinePen(std::size_t index) const {
    static const QList<qreal> kDashes[] = {
        {}, {5, 2}, {1, 2}, {5, 2, 1, 2}, {5, 2, 1, 2, 1, 2}, {9, 3, 3, 3}};
    QPen pen(LineColour(index), LineWidth());
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    const QList<qreal>& dashes = kDashes[index % std::size(kDashes)];
    if (!dashes.isEmpty()) {
        pen.setDashPattern(dashes);
    }
    return pen;
}

TrendChart::Frame TrendChart::Layout() const {
    const QFontMetrics metrics = fontMetrics();
    const int pad = metrics.height() / 2;
    Frame frame;
    frame.from = m_model.From();
    frame.to = std::max(m_model.To(), frame.from + 1);
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const auto& line : m_model.Lines()) {
        for (const TrendPoint& point : line.history.points) {
            low = std::min(low, point.min);
            high = std::max(high, point.max);
        }
    }
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    if (high - low <= 1e-9 * std::max(1.0, std::fabs(high))) {
        const double margin = std::max(1.0, std::fabs(high) * 0.1);
        low -= margin;
        high += margin;
    }
    // The legend wraps onto as many rows as it needs beside the unit.
    const QString unit = m_model.Lines().empty() ? QString() : Unit(m_model.Lines()[0].unit);
    const int start = pad + (unit.isEmpty() ? 0 : metrics.horizontalAdvance(unit) + 2 * pad);
    int x = start;
    for (const auto& line : m_model.Lines()) {
        const int item = 3 * metrics.height() + pad / 2 +
                         metrics.horizontalAdvance(QString::fromStdString(line.parameter)) + pad;
        if (x > start && x + item > width() - pad) {
            ++frame.legendRows;
            x = start;
        }
        x += item;
    }
    const double top = pad + frame.legendRows * metrics.height() + pad;
    // The time labels go below the lowest value label, which stands half under the plot.
    const double bottom = height() - pad / 2 - 1.5 * metrics.height();
    const int ticks = std::max(1, static_cast<int>((bottom - top) / (metrics.height() * 2)));
    frame.valueStep = NiceStep((high - low) / ticks);
    frame.low = std::floor(low / frame.valueStep) * frame.valueStep;
    frame.high = std::ceil(high / frame.valueStep) * frame.valueStep;
    const int labels = std::max(metrics.horizontalAdvance(ValueText(frame.low, frame.valueStep)),
                                metrics.horizontalAdvance(ValueText(frame.high, frame.valueStep)));
    const double left = pad + labels + pad / 2.0;
    const double right = width() - pad - metrics.horizontalAdvance("88:88:88") / 2.0;
    frame.plot = QRectF(left, top, std::max(1.0, right - left), std::max(1.0, bottom - top));
    // The shortest time step whose labels do not touch.
    const std::int64_t span = frame.to - frame.from;
    frame.timeStep = std::end(kTimeSteps)[-1];
    for (std::int64_t step : kTimeSteps) {
        const QString sample = ClockText(frame.from, TimeFormat(step));
        const double room = frame.plot.width() * static_cast<double>(step) / span;
        if (room >= metrics.horizontalAdvance(sample) + 2 * pad) {
            frame.timeStep = step;
            break;
        }
    }
    return frame;
}

double TrendChart::X(const Frame& frame, std::int64_t time) const {
    return frame.plot.left() + frame.plot.width() * static_cast<double>(time - frame.from) /
                                   static_cast<double>(frame.to - frame.from);
}

double TrendChart::Y(const Frame& frame, double value) const {
    return frame.plot.bottom() -
           frame.plot.height() * (value - frame.low) / (frame.high - frame.low);
}

void TrendChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (m_model.Lines().empty()) {
        return;  // the pane says why
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const Frame frame = Layout();
    if (m_model.Lines().size() == 1) {
        PaintGaps(painter, frame, m_model.Lines()[0].history);
    }
    PaintAxes(painter, frame);
    PaintTimeAxis(painter, frame);
    painter.save();
    const double margin = LineWidth();
    painter.setClipRect(frame.plot.adjusted(-margin, -margin, margin, margin));
    for (std::size_t index = 0; index < m_model.Lines().size(); ++index) {
        PaintLine(painter, frame, index);
    }
    painter.restore();
    PaintLegend(painter, frame);
}

void TrendChart::PaintAxes(QPainter& painter, const Frame& frame) const {
    const QFontMetrics metrics = fontMetrics();
    const QColor text = palette().color(QPalette::Text);
    QColor grid = text;
    grid.setAlpha(45);
    painter.setPen(QPen(grid, 1));
    painter.drawRect(frame.plot);
    const int pad = metrics.height() / 2;
    for (double value = frame.low; value <= frame.high + frame.valueStep / 2;
         value += frame.valueStep) {
        const double y = Y(frame, value);
        painter.setPen(QPen(grid, 1));
        painter.drawLine(QPointF(frame.plot.left(), y), QPointF(frame.plot.right(), y));
        painter.setPen(text);
        const QRectF label(0, y - metrics.height() / 2.0, frame.plot.left() - pad / 2.0,
                           metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                         ValueText(value, frame.valueStep));
    }
}

// Labels at whole steps of local time: 10:00, 10:15, ... or midnights for days.
void TrendChart::PaintTimeAxis(QPainter& painter, const Frame& frame) const {
    const QFontMetrics metrics = fontMetrics();
    const QColor text = palette().color(QPalette::Text);
    QColor grid = text;
    grid.setAlpha(45);
    const std::int64_t offset = QDateTime::fromSecsSinceEpoch(frame.from).offsetFromUtc();
    const std::int64_t step = frame.timeStep;
    const std::int64_t local = frame.from + offset;
    std::int64_t tick = (local / step + (local % step > 0 ? 1 : 0)) * step - offset;
    const QString format = TimeFormat(step);
    for (; tick <= frame.to; tick += step) {
        const double x = X(frame, tick);
        painter.setPen(QPen(grid, 1));
        painter.drawLine(QPointF(x, frame.plot.top()), QPointF(x, frame.plot.bottom()));
        const QString label = ClockText(tick, format);
        const double half = metrics.horizontalAdvance(label) / 2.0;
        if (x - half < 0 || x + half > width()) {
            continue;
        }
        painter.setPen(text);
        painter.drawText(QRectF(x - half, frame.plot.bottom() + metrics.height() / 2.0, 2 * half,
                                metrics.height()),
                         Qt::AlignCenter, label);
    }
}

// The unit in the top left corner, then a sample of each line's pen and its name.
void TrendChart::PaintLegend(QPainter& painter, const Frame&) const {
    const QFontMetrics metrics = fontMetrics();
    const int pad = metrics.height() / 2;
    const QString unit = Unit(m_model.Lines()[0].unit);
    painter.setPen(palette().color(QPalette::Text));
    int x = pad;
    if (!unit.isEmpty()) {
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(QPointF(x, pad + metrics.ascent()), unit);
        painter.setFont(font());
        x += metrics.horizontalAdvance(unit) + 2 * pad;
    }
    const int start = x;
    int row = 0;
    for (std::size_t index = 0; index < m_model.Lines().size(); ++index) {
        const QString name = QString::fromStdString(m_model.Lines()[index].parameter);
        const int sample = 3 * metrics.height();
        const int item = sample + pad / 2 + metrics.horizontalAdvance(name) + pad;
        if (x > start && x + item > width() - pad) {
            ++row;
            x = start;
        }
        const double middle = pad + row * metrics.height() + metrics.height() / 2.0;
        painter.setPen(LinePen(index));
        painter.drawLine(QPointF(x, middle), QPointF(x + sample, middle));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(
            QPointF(x + sample + pad / 2, pad + row * metrics.height() + metrics.ascent()), name);
        x += item;
    }
}

// A lone line's stale or wordless stretches are hatched, so a gap reads as one at a glance.
void TrendChart::PaintGaps(QPainter& painter, const Frame& frame,
                           const TrendHistory& history) const {
    QColor hatch = palette().color(QPalette::Text);
    hatch.setAlpha(40);
    for (const TrendGap& gap : history.gaps) {
        const double left = std::max(frame.plot.left(), X(frame, gap.start));
        const double right = std::min(frame.plot.right(), X(frame, gap.end));
        if (right > left) {
            painter.fillRect(QRectF(left, frame.plot.top(), right - left, frame.plot.height()),
                             QBrush(hatch, Qt::BDiagPattern));
        }
    }
}

// Steps: a figure holds until it changes. A minute's lowest and highest figures are a bar.
void TrendChart::PaintLine(QPainter& painter, const Frame& frame, std::size_t index) const {
    const TrendHistory& history = m_model.Lines()[index].history;
    const std::vector<std::int64_t> ends = HoldEnds(history);
    const auto& points = history.points;
    QPainterPath path;
    QPainterPath bars;
    std::vector<QPointF> lone;
    bool joined = false;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const QPointF at(X(frame, std::max(points[k].time, frame.from)), Y(frame, points[k].last));
        const bool stepped = joined;
        stepped ? path.lineTo(at) : path.moveTo(at);
        path.lineTo(X(frame, std::min(ends[k], frame.to)), at.y());
        joined = k + 1 < points.size() && ends[k] == points[k + 1].time;
        if (ends[k] == points[k].time && !joined && !stepped) {
            lone.push_back(at);  // a figure that held no time at all still shows
        }
        if (points[k].span > 0 && points[k].max > points[k].min) {
            const double x = X(frame, points[k].time + points[k].span / 2);
            bars.moveTo(x, Y(frame, points[k].min));
            bars.lineTo(x, Y(frame, points[k].max));
        }
    }
    QPen pen = LinePen(index);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    pen.setStyle(Qt::SolidLine);
    pen.setWidthF(LineWidth() / 2);
    painter.setPen(pen);
    painter.drawPath(bars);
    painter.setBrush(pen.color());
    for (const QPointF& at : lone) {
        painter.drawEllipse(at, LineWidth() * 1.5, LineWidth() * 1.5);
    }
}

QString TrendChart::HoverText(const QPoint& position) const {
    if (m_model.Lines().empty()) {
        return {};
    }
    const Frame frame = Layout();
    if (!frame.plot.contains(position)) {
        return {};
    }
    const double share = (position.x() - frame.plot.left()) / frame.plot.width();
    const auto time =
        frame.from + static_cast<std::int64_t>(std::llround(share * (frame.to - frame.from)));
    QStringList lines{
        ClockText(time, frame.to - frame.from > 86400 ? "ddd d MMM HH:mm:ss" : "HH:mm:ss")};
    for (const auto& line : m_model.Lines()) {
        lines << FigureAt(line, time);
    }
    return lines.join('\n');
}
