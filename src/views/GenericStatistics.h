#pragma once

#include <QWidget>
#include <string>
#include <unordered_map>

#include "views/StatisticsTrends.h"

class ActivityLog;
class QSplitter;
class QTreeWidget;
class StatisticsTrendPane;
struct StatisticsRecord;
namespace platform {
class Clock;
}

// One page of real-time statistics: a row per parameter, updated in place, appended when
// new; a figure five minutes old or older is shown blank. Under the list, the trend of the
// selected rows. Only the GUI thread touches it.
class CGenericStatistics : public QWidget {
    Q_OBJECT
  public:
    explicit CGenericStatistics(QWidget* parent = nullptr);
    CGenericStatistics(ActivityLog* log, QWidget* parent);

    void SetMarketType(int marketType) { m_marketType = marketType; }
    int MarketType() const { return m_marketType; }
    // The clock that decides whether a figure is stale (the system clock by default).
    void SetClock(const platform::Clock& clock) { m_clock = &clock; }

    // First row whose parameter equals `parameter` ignoring case, or -1.
    int FindParameterRow(const std::string& parameter) const;
    // A pass's updates are told to the list once, at its end, not cell by cell.
    void BeginPass();
    void EndPass();
    void UpdateParameter(int marketType, const std::string& parameter, std::string value,
                         const std::string& unit, std::uint64_t timestamp);

    QTreeWidget* List() const { return m_list; }
    StatisticsTrendPane* TrendPane() const { return m_trendPane; }
    const StatisticsTrends& Trends() const { return m_trends; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    static std::string RowKey(const std::string& parameter);
    // The selected rows go to the trend pane, in the list's order.
    void ShowTrend();
    void FitTrendPane();

    bool m_passChanged = false;
    std::unordered_map<std::string, int> m_rows;  // case-folded parameter bytes -> row
    ActivityLog* m_log = nullptr;  // kept for the Common page; no operation writes with it
    int m_marketType = -1;
    const platform::Clock* m_clock;
    StatisticsTrends m_trends;  // row -> history
    QTreeWidget* m_list;
    StatisticsTrendPane* m_trendPane;
    QSplitter* m_splitter;
    bool m_trendDrawn = false;
};

// Hands each record to every page whose market type the record names.
void DispatchStatistics(const std::vector<StatisticsRecord>& records,
                        CGenericStatistics* const views[8]);
