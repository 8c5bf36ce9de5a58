#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <deque>

#include "views/LogRow.h"

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
    std::size_t StoredRows() const { return m_rows.size(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const LogRow& RowAt(int modelRow) const { return m_rows[m_shown - 1 - static_cast<std::size_t>(modelRow)]; }

    std::deque<LogRow> m_rows;  // oldest first; rows past m_shown wait for the next batch
    std::size_t m_shown = 0;
    QTimer m_flush;
};
