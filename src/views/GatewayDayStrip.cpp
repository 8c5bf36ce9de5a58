#include "views/GatewayDayStrip.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "core/GatewayDay.h"
#include "core/MarketType.h"

GatewayDayStrip::GatewayDayStrip(const GatewayDay& day, std::vector<int> markets, QWidget* parent)
    : QWidget(parent), m_day(day), m_markets(std::move(markets)) {
    setObjectName("gatewayDay");
    setAccessibleName("Each gateway's day");
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void GatewayDayStrip::SetSpan(std::int64_t midnight, std::int64_t now) {
    m_midnight = midnight;
    m_now = std::max(now, midnight + 1);
    update();
}

// Lanes a little lower than a line of text: the day sits under the status list without
// taking its rows' room.
int GatewayDayStrip::LaneHeight() const {
    return std::max(8, fontMetrics().height() * 3 / 4);
}

int GatewayDayStrip::LabelWidth() const {
    return fontMetrics().horizontalAdvance("SLBM ");
}

QSize GatewayDayStrip::sizeHint() const {
    // The lanes, and a line of clock times under them.
    return {200, LaneHeight() * static_cast<int>(m_markets.size()) + fontMetrics().height() + 4};
}

QSize GatewayDayStrip::minimumSizeHint() const {
    return {120, sizeHint().height()};
}

int GatewayDayStrip::XOf(std::int64_t time) const {
    const int left = LabelWidth();
    const int width = std::max(1, this->width() - left - 2);
    const std::int64_t span = 24 * 3600;
    return left +
           static_cast<int>(std::clamp<std::int64_t>(time - m_midnight, 0, span) * width / span);
}

int GatewayDayStrip::RunningAt(int market, std::int64_t time) const {
    int state = -1;
    for (const GatewayDay::Change& change : m_day.Changes()) {
        if (change.time > time) {
            break;
        }
        if (change.market == 0) {
            // The console shows a gateway as not running until its status says otherwise.
            state = change.what == GatewayDay::kWatchStarted ? 0 : -1;
        } else if (change.market == market && change.what == GatewayDay::kRunning) {
            state = 1;
        } else if (change.market == market && change.what == GatewayDay::kStopped) {
            state = 0;
        }
    }
    return state;
}

bool GatewayDayStrip::ConnectedAt(int market, std::int64_t time) const {
    bool connected = false;
    for (const GatewayDay::Change& change : m_day.Changes()) {
        if (change.time > time) {
            break;
        }
        if (change.market == 0 && change.what == GatewayDay::kWatchEnded) {
            connected = false;
        } else if (change.market == market) {
            connected = change.what == GatewayDay::kConnected
                            ? true
                            : (change.what == GatewayDay::kDisconnected ? false : connected);
        }
    }
    return connected;
}

void GatewayDayStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QColor ink = palette().color(QPalette::Text);
    const int lane = LaneHeight();
    const int right = XOf(m_now);
    for (std::size_t i = 0; i < m_markets.size(); ++i) {
        const int market = m_markets[i];
        const int top = static_cast<int>(i) * lane;
        painter.setPen(ink);
        QFont small = font();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        painter.setFont(small);
        painter.drawText(QRect(0, top, LabelWidth(), lane), Qt::AlignVCenter | Qt::AlignLeft,
                         MarketName(market));
        painter.setFont(font());
        // One pixel column at a time would cost a lookup each; the changes are few, so each
        // column asks the state at its time.
        for (int x = LabelWidth(); x < right; ++x) {
            const std::int64_t time = m_midnight + static_cast<std::int64_t>(x - LabelWidth()) *
                                                       24 * 3600 /
                                                       std::max(1, width() - LabelWidth() - 2);
            const int running = RunningAt(market, time);
            if (running == 1) {
                painter.fillRect(QRect(x, top + 2, 1, lane - 6), QColor(0x2e, 0x7d, 0x32));
            } else if (running == 0) {
                painter.fillRect(QRect(x, top + 2, 1, lane - 6),
                                 QBrush(QColor(0xc6, 0x28, 0x28), Qt::BDiagPattern));
            }
            if (ConnectedAt(market, time)) {
                painter.fillRect(QRect(x, top + lane - 3, 1, 2), ink);
            }
        }
    }
    // Clock times under the lanes: midnight, noon and now.
    const int baseline = lane * static_cast<int>(m_markets.size()) + fontMetrics().ascent() + 2;
    painter.setPen(ink);
    painter.drawText(QPoint(LabelWidth(), baseline), "00:00");
    const QString noon = "12:00";
    painter.drawText(
        QPoint(XOf(m_midnight + 12 * 3600) - fontMetrics().horizontalAdvance(noon) / 2, baseline),
        noon);
}

QString GatewayDayStrip::LaneText(int market) const {
    QStringList lines{QString("%1 today").arg(MarketName(market))};
    for (const GatewayDay::Change& change : m_day.Changes()) {
        if (change.market != market && change.market != 0) {
            continue;
        }
        static const char* const kSaid[] = {
            "running",         "not running",  "log page connected", "log page not connected",
            "console started", "console ended"};
        lines << QString("%1 %2").arg(
            QDateTime::fromSecsSinceEpoch(change.time).toString("HH:mm:ss"), kSaid[change.what]);
    }
    return lines.join('\n');
}

bool GatewayDayStrip::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const int lane = help->pos().y() / LaneHeight();
    if (lane >= 0 && lane < static_cast<int>(m_markets.size())) {
        QToolTip::showText(help->globalPos(), LaneText(m_markets[static_cast<std::size_t>(lane)]),
                           this);
    } else {
        QToolTip::hideText();
    }
    return true;
}
