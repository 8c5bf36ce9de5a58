#pragma once

#include <QWidget>
#include <string>
#include <unordered_map>

class ActivityLog;
class QTreeWidget;
struct StatisticsRecord;
namespace platform {
class Clock;
}

// One page of real-time statistics: a row per parameter, updated in place, appended when
// new; a figure five minutes old or older is shown blank. Only the GUI thread touches it.
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

  private:
    static std::string RowKey(const std::string& parameter);

    bool m_passChanged = false;
    std::unordered_map<std::string, int> m_rows;  // case-folded parameter bytes -> row
    ActivityLog* m_log = nullptr;  // kept for the Common page; no operation writes with it
    int m_marketType = -1;
    const platform::Clock* m_clock;
    QTreeWidget* m_list;
};

// Hands each record to every page whose market type the record names.
void DispatchStatistics(const std::vector<StatisticsRecord>& records,
                        CGenericStatistics* const views[8]);
