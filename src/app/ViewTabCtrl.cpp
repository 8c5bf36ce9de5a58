#include "app/ViewTabCtrl.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "core/InstalledMarkets.h"
#include "core/MarketType.h"
#include "views/GenericLogs.h"
#include "views/GenericStatistics.h"

CViewTabCtrl::CViewTabCtrl(QWidget* parent) : QTabWidget(parent) {}

// A shape, not only a colour, tells connected from not: a filled dot or a ring in the text's
// colour, sized to the font.
void CViewTabCtrl::ShowConnection(QWidget* page, bool connected, const QString& text) {
    const int index = indexOf(page);
    if (index < 0) {
        return;
    }
    const int size = std::max(8, fontMetrics().height() * 2 / 3);
    const qreal scale = devicePixelRatioF();
    QPixmap mark(QSize(size, size) * scale);
    mark.setDevicePixelRatio(scale);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = palette().color(QPalette::WindowText);
    painter.setPen(QPen(colour, 1.5));
    painter.setBrush(connected ? QBrush(colour) : QBrush(Qt::NoBrush));
    painter.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    painter.end();
    setTabIcon(index, QIcon(mark));
    setTabToolTip(index, text);
}

void CViewTabCtrl::CreateLogPages(const InstalledMarkets& markets, CGenericLogs* pages[7]) {
    int k = 0;
    for (const MarketSettings& market : markets.markets) {
        if (market.type == -1) {
            continue;
        }
        auto* page = new CGenericLogs(m_log, this);
        page->SetMarketType(market.type);
        addTab(page, MarketName(market.type));
        ShowConnection(page, false, page->ConnectionState());
        connect(page, &CGenericLogs::connectionStateChanged, this,
                [this, page](bool connected, const QString& text) {
                    ShowConnection(page, connected, text);
                });
        pages[k++] = page;
    }
}

void CViewTabCtrl::CreateStatisticsPages(const InstalledMarkets& markets,
                                         CGenericStatistics* pages[8]) {
    auto* common = new CGenericStatistics(m_log, this);
    common->SetMarketType(COMMON);
    addTab(common, "Common");
    pages[0] = common;
    int k = 1;
    for (const MarketSettings& market : markets.markets) {
        if (market.type == -1) {
            continue;
        }
        auto* page = new CGenericStatistics(this);
        page->SetMarketType(market.type);
        addTab(page, MarketName(market.type));
        pages[k++] = page;
    }
}
