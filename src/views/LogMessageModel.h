#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "views/LogRow.h"
#include "views/LogRowFilter.h"

// Log rows in blocks of 4096, each field in an array of its own: 14 bytes a row with no
// padding, a few bytes a block, and nothing is moved when a row is added.
class LogRowStore {
  public:
    void Add(const LogRow& row);
    LogRow At(std::size_t index) const;
    std::size_t Size() const { return m_size; }
    // Lets every block go.
    void Clear();

  private:
    static constexpr std::size_t kBlockRows = 4096;
    struct Block {
        std::array<std::int32_t, kBlockRows> eventTime;
        std::array<std::int32_t, kBlockRows> userId;
        std::array<std::int32_t, kBlockRows> reasonValue;
        std::array<std::uint16_t, kBlockRows> reasonCode;
    };

    std::vector<std::unique_ptr<Block>> m_blocks;
    std::size_t m_size = 0;
};

// The rows of a log view: compact decoded messages, newest on top. New rows are appended to
// the store at once and shown in batches, so the view repaints at most every 50 ms however
// fast messages arrive; nothing is moved when a row is added. A filter text keeps only the
// rows with a cell that contains it: the matching rows' places in the store are kept in a
// list of their own, which new rows join as their batch is shown.
class LogMessageModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kFlushMilliseconds = 50;

    explicit LogMessageModel(QObject* parent = nullptr);

    void Add(const LogRow& row);
    void Clear();
    // Shows the rows added since the last batch now.
    void Flush();
    // Rows received, shown or not yet.
    std::size_t StoredRows() const { return m_rows.Size(); }
    // Rows shown when no filter is set.
    std::size_t TotalRows() const { return m_shown; }

    // Keeps the rows with a cell that contains `text`, ignoring case; an empty text shows
    // every row again.
    void SetFilter(const QString& text);
    const QString& Filter() const { return m_filterText; }
    // The row at a place of the list as it is shown now.
    LogRow Row(int modelRow) const { return RowAt(modelRow); }
    // The store places of the rows shown now, newest first, and the row at such a place:
    // what an export walks, unmoved by rows that arrive meanwhile.
    std::vector<std::uint32_t> ShownPlaces() const;
    LogRow StoredRow(std::uint32_t place) const { return m_rows.At(place); }
    // Counts the times the store was emptied; a place is good while this stays.
    std::uint64_t Generation() const { return m_generation; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  signals:
    // The rows shown or the rows in all changed.
    void countsChanged();

  private:
    LogRow RowAt(int modelRow) const {
        const std::size_t fromNewest = static_cast<std::size_t>(modelRow);
        return m_rows.At(m_filter ? m_matches[m_matches.size() - 1 - fromNewest]
                                  : m_shown - 1 - fromNewest);
    }
    // Appends the store places of the matching rows among [from, to) to `matches`.
    void CollectMatches(std::size_t from, std::size_t to, std::vector<std::uint32_t>& matches);

    LogRowStore m_rows;  // oldest first; rows past m_shown wait for the next batch
    std::size_t m_shown = 0;
    QTimer m_flush;
    QString m_filterText;
    std::unique_ptr<LogRowFilter> m_filter;  // null while no filter is set
    std::vector<std::uint32_t> m_matches;    // store places of the matching rows, oldest first
    std::uint64_t m_generation = 0;
};
