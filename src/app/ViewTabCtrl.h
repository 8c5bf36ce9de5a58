#pragma once

#include <QTabWidget>

class ActivityLog;
class CGenericLogs;
class CGenericStatistics;
struct InstalledMarkets;

// A tab control whose pages are the per-market views: one log page per installed market, or
// the Common statistics page followed by one statistics page per installed market. The tab
// control shows the selected page on its display area and hides the others.
class CViewTabCtrl : public QTabWidget {
    Q_OBJECT
  public:
    explicit CViewTabCtrl(QWidget* parent = nullptr);

    void SetActivityLog(ActivityLog* log) { m_log = log; }

    // Kind 1: the k-th page shows the k-th installed market, labelled with its name. The tab
    // carries the page's connection: a filled mark while connected, a hollow one otherwise,
    // and the page's own words as its tooltip.
    void CreateLogPages(const InstalledMarkets& markets, CGenericLogs* pages[7]);
    // Kind 2: page 0 is "Common" (market code 100, with the activity log), then a page per
    // installed market.
    void CreateStatisticsPages(const InstalledMarkets& markets, CGenericStatistics* pages[8]);

    int PageCount() const { return count(); }

  private:
    void ShowConnection(QWidget* page, bool connected, const QString& text);

    ActivityLog* m_log = nullptr;
};
