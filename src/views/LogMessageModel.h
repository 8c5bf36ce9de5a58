#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "views/LogRow.h"
#include "views/LogRowFilter.h"
#include "views/LogRowStore.h"
#include "views/LogVolume.h"

// The rows of a log page: compact decoded messages, newest on top. New rows are added to the
// store at once and shown in batches, so the list repaints at most every 50 ms however fast
// messages arrive; nothing is moved when a row is added, and nothing is kept per row but the
// row itself.
//
// A filter text keeps only the rows with a cell that contains it. The rows held when it is
// set are looked at in slices of a few milliseconds, newest first, so the window never
// freezes and the first matches show at once; rows that arrive meanwhile are looked at as
// their batch is shown. Matches are kept as store places.
class LogMessageModel : public QObject {
    Q_OBJECT
  public:
    static constexpr int kFlushMilliseconds = 50;
    static constexpr int kSliceMilliseconds = 5;

    explicit LogMessageModel(QObject* parent = nullptr);

    void Add(const LogRow& row) {
        m_volume.Add(row.eventTime, row.reasonCode, static_cast<std::uint32_t>(m_rows.Size()));
        m_rows.Add(row);
        if (!m_flush.isActive()) {
            m_flush.start();
        }
    }
    // Empties the list; its memory and its cache file go.
    void Clear();
    // Shows the rows added since the last batch now.
    void Flush();
    // Rows received, shown or not yet.
    std::size_t StoredRows() const { return m_rows.Size(); }
    // Rows shown when no filter is set.
    std::size_t TotalRows() const { return m_shown; }
    LogRowStore& Store() { return m_rows; }

    // Keeps the rows with a cell that contains `text`, ignoring case; an empty text shows
    // every row again.
    void SetFilter(const QString& text);
    const QString& Filter() const { return m_filterText; }
    // Keeps, besides the text's, only the rows of a time in [from, to) (seconds since 1970);
    // from == to lets every time through again.
    void SetTimeRange(std::int64_t from, std::int64_t to);
    std::int64_t RangeFrom() const { return m_rangeFrom; }
    std::int64_t RangeTo() const { return m_rangeTo; }
    bool Filtering() const { return m_filter != nullptr; }
    // The rows held per second and kind, and the filter's matches among them.
    const LogVolume& Volume() const { return m_volume; }
    // Whether the rows held when the filter was set are still being looked at, and how many
    // of them have been.
    bool Searching() const { return m_searchLeft > 0; }
    std::size_t Searched() const { return m_searchTotal - m_searchLeft; }
    std::size_t SearchTotal() const { return m_searchTotal; }
    // Looks at all that is left at once.
    void FinishSearch();

    // The rows as shown now: row 0 is the newest.
    int RowCount() const {
        return static_cast<int>(m_filter ? m_arrived.size() + m_found.size() : m_shown);
    }
    LogRow Row(int row) const { return m_rows.At(PlaceOf(row)); }
    // The store place of a row shown, and the row a place is shown at (-1: not shown).
    std::uint32_t PlaceOf(int row) const;
    int RowOf(std::uint32_t place) const;

    // What an export walks: the rows shown when it starts, unmoved by rows that arrive
    // meanwhile. It stays good while the list is neither emptied nor filtered anew.
    struct Snapshot {
        std::size_t rows;
        std::size_t arrived;
        std::size_t shown;
        std::uint64_t generation;
    };
    Snapshot Snap() const;
    bool Holds(const Snapshot& snapshot) const { return snapshot.generation == m_generation; }
    LogRow RowOf(const Snapshot& snapshot, std::size_t row) const;

  signals:
    // Rows were shown: `onTop` new ones on top (what was shown moves down by as many rows),
    // or, with `onTop` 0, matches found below.
    void rowsChanged(int onTop);
    // The rows shown are about to be filtered anew or emptied.
    void aboutToReset();
    // The list was filtered anew (`emptied` false) or emptied: every row may differ. Store
    // places stay the same message across a new filter, not across an emptying.
    void reset(bool emptied);
    // The rows shown, the rows in all or the search's progress changed.
    void countsChanged();

  private:
    // Appends the store places of the matching rows among [from, to) to `matches`.
    void CollectMatches(std::size_t from, std::size_t to, std::deque<std::uint32_t>& matches);
    // Looks at the rows left for one slice; tells the list when it found some or finished.
    void SearchSlice();
    void ApplyFilter(const QString& text, std::int64_t from, std::int64_t to);
    bool SearchStep(std::size_t rows);
    std::uint32_t Candidate(std::size_t looked) const;

    LogRowStore m_rows;  // oldest first; rows past m_shown wait for the next batch
    LogVolume m_volume;
    std::int64_t m_rangeFrom = 0;
    std::int64_t m_rangeTo = 0;
    std::size_t m_shown = 0;
    QTimer m_flush;
    QString m_filterText;
    std::unique_ptr<LogRowFilter> m_filter;  // null while no filter is set
    // Matches among the rows shown since the filter was set, oldest first, and among those
    // held when it was set, newest first. Blocks, not one array: a list that grows to tens of
    // millions of matches is never copied whole.
    //
    // What RowOf's binary searches and the snapshots rely on:
    // - m_arrived rises strictly and holds only places from m_filterFrom on: a batch appends
    //   the places it shows, which are all newer than any before them.
    // - m_found falls strictly and holds only places below m_filterFrom: the search appends
    //   each match it finds, and it looks at the candidates newest first.
    // - Both only grow at the back until the next filter or Clear, so a row a snapshot counted
    //   stays at the same place from its end of the list.
    using Places = std::deque<std::uint32_t>;
    Places m_arrived;
    Places m_found;
    std::size_t m_filterFrom = 0;  // the first place shown after the filter was set
    // What is looked at, newest first: every place below m_searchTotal, or, when a longer text
    // narrows the last one, the last one's matches (its rows as they were shown). These are
    // the last filter's m_arrived (rising) and m_found (falling) as they were: Candidate reads
    // the first from its back, then the second from its front, so that m_found falls again.
    // Narrowing needs the last search finished: a part of its matches would lose the rest.
    Places m_lastArrived;
    Places m_lastFound;
    bool m_narrowing = false;
    std::size_t m_searchLeft = 0;
    std::size_t m_searchTotal = 0;
    QTimer m_search;
    std::int64_t m_lastShownMs = 0;  // when the search last showed what it found
    std::uint64_t m_generation = 0;
};
