#include "app/ViewTabCtrl.h"

#include "core/InstalledMarkets.h"
#include "core/MarketType.h"
#include "views/GenericLogs.h"
#include "views/GenericStatistics.h"

CViewTabCtrl::CViewTabCtrl(QWidget* parent) : QTabWidget(parent) {}

void CViewTabCtrl::CreateLogPages(const InstalledMarkets& markets, CGenericLogs* pages[7]) {
    int k = 0;
    for (const MarketSettings& market : markets.markets) {
        if (market.type == -1) {
            continue;
        }
        auto* page = new CGenericLogs(m_log, this);
        page->SetMarketType(market.type);
        addTab(page, MarketName(market.type));
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
