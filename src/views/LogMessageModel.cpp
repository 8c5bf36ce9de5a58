#include "views/LogMessageModel.h"

#include <algorithm>
#include <climits>

namespace {
const char* const kHeaders[] = {"User ID", "Time", "Message", "Reason"};
}

LogMessageModel::LogMessageModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flush.setSingleShot(true);
    m_flush.setInterval(kFlushMilliseconds);
    connect(&m_flush, &QTimer::timeout, this, &LogMessageModel::Flush);
}

void LogMessageModel::Add(const LogRow& row) {
    m_rows.push_back(row);
    if (!m_flush.isActive()) {
        m_flush.start();
    }
}

void LogMessageModel::Flush() {
    m_flush.stop();
    // A view counts rows in int; rows beyond that stay stored but unseen.
    const std::size_t target = std::min<std::size_t>(m_rows.size(), INT_MAX);
    if (target == m_shown) {
        return;
    }
    beginInsertRows({}, 0, static_cast<int>(target - m_shown) - 1);
    m_shown = target;
    endInsertRows();
}

void LogMessageModel::Clear() {
    m_flush.stop();
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_shown = 0;
    endResetModel();
}

int LogMessageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown);
}

int LogMessageModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant LogMessageModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const LogRow& row = RowAt(index.row());
    switch (index.column()) {
        case 0: return QString::fromStdString(UserIdText(row));
        case 1: return QString::fromStdString(EventTimeText(row));
        case 2: return QString::fromStdString(MessageText(row));
        case 3: return QString::fromStdString(ReasonValueText(row));
        default: return {};
    }
}

QVariant LogMessageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3) {
        return {};
    }
    return QString::fromLatin1(kHeaders[section]);
}
