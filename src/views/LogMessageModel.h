#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "views/LogRow.h"

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
// fast messages arrive; nothing is moved when a row is added.
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

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    LogRow RowAt(int modelRow) const {
        return m_rows.At(m_shown - 1 - static_cast<std::size_t>(modelRow));
    }

    LogRowStore m_rows;  // oldest first; rows past m_shown wait for the next batch
    std::size_t m_shown = 0;
    QTimer m_flush;
};
