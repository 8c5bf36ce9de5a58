#include "views/LogVolumeStrip.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <array>

#include "views/LogMessageModel.h"
#include "views/LogVolume.h"

namespace {

// Each kind: its legend text, a colour and a pattern, so that the strip reads without colour.
struct KindLook {
    const char* name;
    QColor colour;
    Qt::BrushStyle pattern;
};
const std::array<KindLook, LogVolume::kKinds> kLooks = {{
    {"11xxx users", QColor(0x42, 0x85, 0xf4), Qt::SolidPattern},
    {"12xxx trading host", QColor(0xe6, 0x7c, 0x22), Qt::BDiagPattern},
    {"13xxx queue", QColor(0xc6, 0x28, 0x28), Qt::CrossPattern},
    {"other", QColor(0x80, 0x80, 0x80), Qt::Dense5Pattern},
}};

// The narrowest bar that still reads as one, in device-independent pixels.
constexpr int kMinBarWidth = 3;

QString ClockText(std::int64_t second, bool withSeconds) {
    return QDateTime::fromSecsSinceEpoch(second).toString(withSeconds ? "HH:mm:ss" : "HH:mm");
}

}  // namespace

LogVolumeStrip::LogVolumeStrip(LogMessageModel* model, QWidget* parent)
    : QWidget(parent), m_model(model) {
    setObjectName("logVolume");
    setAccessibleName("Log volume per minute");
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The strip is painted with the list's batches, never per message.
    connect(m_model, &LogMessageModel::rowsChanged, this, qOverload<>(&QWidget::update));
    connect(m_model, &LogMessageModel::reset, this, qOverload<>(&QWidget::update));
}

QSize LogVolumeStrip::sizeHint() const {
    return {400, LegendHeight() + fontMetrics().height() * 4};
}

QSize LogVolumeStrip::minimumSizeHint() const {
    return {100, sizeHint().height()};
}

int LogVolumeStrip::LegendHeight() const {
    return fontMetrics().height() + 2;
}

QRect LogVolumeStrip::Plot() const {
    // Below the legend, above the time labels.
    return rect().adjusted(1, LegendHeight(), -1, -fontMetrics().height() - 2);
}

std::int64_t LogVolumeStrip::From() const {
    if (m_zoomTo > m_zoomFrom) {
        return m_zoomFrom;
    }
    const LogVolume& volume = m_model->Volume();
    // Whole minutes, so that bars are minutes of the clock.
    return volume.Empty() ? 0 : volume.FirstSecond() - volume.FirstSecond() % 60;
}

std::int64_t LogVolumeStrip::To() const {
    if (m_zoomTo > m_zoomFrom) {
        return m_zoomTo;
    }
    const LogVolume& volume = m_model->Volume();
    return volume.Empty() ? 0 : volume.LastSecond() + 60 - volume.LastSecond() % 60;
}

int LogVolumeStrip::Step() const {
    const std::int64_t span = std::max<std::int64_t>(1, To() - From());
    const std::int64_t bars = std::max(1, Plot().width() / kMinBarWidth);
    // Seconds are kept for the latest hours only; before them bars are minutes.
    const std::int64_t seconds = m_model->Volume().SecondsFrom();
    if (span <= bars && From() >= seconds - seconds % 60) {
        return 1;
    }
    // Whole minutes, or whole hours once a bar would hold more than an hour.
    const std::int64_t minutes = (span + 60 * bars - 1) / (60 * bars);
    if (minutes <= 60) {
        return static_cast<int>(60 * std::max<std::int64_t>(1, minutes));
    }
    return static_cast<int>(3600 * ((minutes + 59) / 60));
}

int LogVolumeStrip::XOf(std::int64_t second) const {
    const QRect plot = Plot();
    const std::int64_t span = std::max<std::int64_t>(1, To() - From());
    return plot.left() + static_cast<int>((second - From()) * plot.width() / span);
}

std::int64_t LogVolumeStrip::SecondAt(int x) const {
    const QRect plot = Plot();
    const std::int64_t span = std::max<std::int64_t>(1, To() - From());
    const int inside = std::clamp(x - plot.left(), 0, std::max(0, plot.width() - 1));
    const std::int64_t second =
        From() + static_cast<std::int64_t>(inside) * span / std::max(1, plot.width());
    // The last second whose bar starts at or before x: XOf's rounding, undone.
    return XOf(second + 1) <= plot.left() + inside ? second + 1 : second;
}

void LogVolumeStrip::Zoom(std::int64_t from, std::int64_t to) {
    m_zoomFrom = to > from ? from : 0;
    m_zoomTo = to > from ? to : 0;
    update();
}

void LogVolumeStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    PaintLegend(painter);
    const QRect plot = Plot();
    const LogVolume& volume = m_model->Volume();
    if (volume.Empty() || plot.height() <= 0) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(plot, Qt::AlignCenter, "No log rows yet");
        return;
    }
    const int step = Step();
    const std::int64_t from = From() - From() % step;
    const std::vector<LogVolume::Bar> bars = volume.Bars(from, To(), step);
    std::uint32_t highest = 1;
    for (const LogVolume::Bar& bar : bars) {
        highest = std::max(highest, bar.total());
    }
    const bool filtering = m_model->Filtering();
    const QColor ink = palette().color(QPalette::Text);
    for (const LogVolume::Bar& bar : bars) {
        const int left = XOf(bar.from);
        const int width = std::max(1, XOf(bar.from + step) - left - 1);
        int bottom = plot.bottom();
        for (int kind = 0; kind < LogVolume::kKinds; ++kind) {
            const int height =
                static_cast<int>(static_cast<double>(bar.rows[kind]) * plot.height() / highest);
            if (height <= 0) {
                continue;
            }
            const QRect part(left, bottom - height + 1, width, height);
            painter.fillRect(part, kLooks[kind].colour.lighter(filtering ? 150 : 100));
            painter.fillRect(
                part, QBrush(ink, kLooks[kind].pattern == Qt::SolidPattern ? Qt::NoBrush
                                                                           : kLooks[kind].pattern));
            bottom -= height;
        }
        if (filtering && bar.matches > 0) {
            // The filter's matches: a column in the selection's colour, edged in the text's,
            // over the paler bar.
            const int height = std::max(
                1, static_cast<int>(static_cast<double>(bar.matches) * plot.height() / highest));
            const int inner = std::max(1, width / 2);
            const QRect match(left + (width - inner) / 2, plot.bottom() - height + 1, inner,
                              height);
            painter.fillRect(match, palette().color(QPalette::Highlight));
            if (inner > 2) {
                painter.setPen(ink);
                painter.drawRect(match.adjusted(0, 0, -1, -1));
            }
        }
    }
    if (m_pressX >= 0 && m_dragX >= 0 && std::abs(m_dragX - m_pressX) > 2) {
        QColor pick = palette().color(QPalette::Highlight);
        pick.setAlpha(90);
        painter.fillRect(QRect(QPoint(std::min(m_pressX, m_dragX), plot.top()),
                               QPoint(std::max(m_pressX, m_dragX), plot.bottom())),
                         pick);
    }
    PaintAxis(painter, plot);
}

void LogVolumeStrip::PaintLegend(QPainter& painter) const {
    const QFontMetrics metrics = fontMetrics();
    const int box = metrics.ascent() - 2;
    int x = width() - 4;
    for (int kind = LogVolume::kKinds - 1; kind >= 0; --kind) {
        const QString name = kLooks[kind].name;
        x -= metrics.horizontalAdvance(name);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QPoint(x, metrics.ascent()), name);
        x -= box + 4;
        const QRect swatch(x, (metrics.height() - box) / 2, box, box);
        painter.fillRect(swatch, kLooks[kind].colour);
        if (kLooks[kind].pattern != Qt::SolidPattern) {
            painter.fillRect(swatch, QBrush(palette().color(QPalette::Text), kLooks[kind].pattern));
        }
        x -= metrics.horizontalAdvance("  ");
    }
    painter.drawText(QPoint(4, metrics.ascent()),
                     Step() == 1    ? "Rows per second"
                     : Step() == 60 ? "Rows per minute"
                                    : QString("Rows per %1 minutes").arg(Step() / 60));
}

void LogVolumeStrip::PaintAxis(QPainter& painter, const QRect& plot) const {
    painter.setPen(palette().color(QPalette::Text));
    const bool seconds = To() - From() < 600;
    const QString first = ClockText(From(), seconds);
    const QString last = ClockText(To(), seconds);
    const int baseline = plot.bottom() + fontMetrics().ascent() + 2;
    painter.drawText(QPoint(plot.left(), baseline), first);
    painter.drawText(QPoint(plot.right() - fontMetrics().horizontalAdvance(last), baseline), last);
}

void LogVolumeStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressX = event->position().toPoint().x();
        m_dragX = m_pressX;
    }
}

void LogVolumeStrip::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressX >= 0) {
        m_dragX = event->position().toPoint().x();
        update();
    }
}

void LogVolumeStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_pressX < 0) {
        return;
    }
    const int x = event->position().toPoint().x();
    const int step = Step();
    if (std::abs(x - m_pressX) <= 2) {
        const std::int64_t second = SecondAt(x);
        const std::int64_t from = second - second % step;
        emit barClicked(from, from + step);
    } else {
        const std::int64_t a = SecondAt(std::min(x, m_pressX));
        const std::int64_t b = SecondAt(std::max(x, m_pressX));
        emit rangePicked(a - a % step, b - b % step + step);
    }
    m_pressX = m_dragX = -1;
    update();
}

void LogVolumeStrip::mouseDoubleClickEvent(QMouseEvent*) {
    Zoom(0, 0);
}

void LogVolumeStrip::wheelEvent(QWheelEvent* event) {
    const std::int64_t at = SecondAt(event->position().toPoint().x());
    const std::int64_t from = From();
    const std::int64_t to = To();
    const bool in = event->angleDelta().y() > 0;
    const std::int64_t span = std::max<std::int64_t>(in ? (to - from) / 2 : (to - from) * 2, 30);
    const double share = to > from ? static_cast<double>(at - from) / (to - from) : 0.5;
    const std::int64_t newFrom = at - static_cast<std::int64_t>(share * span);
    Zoom(newFrom, newFrom + span);
    event->accept();
}

void LogVolumeStrip::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_zoomTo > m_zoomFrom) {
        Zoom(0, 0);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool LogVolumeStrip::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const LogVolume& volume = m_model->Volume();
    if (volume.Empty() || !Plot().contains(help->pos())) {
        QToolTip::hideText();
        return true;
    }
    const int step = Step();
    const std::int64_t second = SecondAt(help->pos().x());
    const std::int64_t from = second - second % step;
    const LogVolume::Bar bar = volume.Bars(from, from + step, step).front();
    QString text = QString("%1-%2: %3 rows")
                       .arg(ClockText(from, step < 60), ClockText(from + step, step < 60))
                       .arg(bar.total());
    for (int kind = 0; kind < LogVolume::kKinds; ++kind) {
        text += QString("\n%1: %2").arg(kLooks[kind].name).arg(bar.rows[kind]);
    }
    if (m_model->Filtering()) {
        text += QString("\nmatching the filter: %1").arg(bar.matches);
    }
    QToolTip::showText(help->globalPos(), text, this);
    return true;
}
