#include "views/LogMessageModel.h"

#include <algorithm>
#include <climits>

namespace {
const char* const kHeaders[] = {"User ID", "Time", "Message", "Reason"};
}

void LogRowStore::Add(const LogRow& row) {
    const std::size_t slot = m_size % kBlockRows;
    if (slot == 0 && m_size / kBlockRows == m_blocks.size()) {
        m_blocks.push_back(std::make_unique_for_overwrite<Block>());
    }
    Block& block = *m_blocks[m_size / kBlockRows];
    block.eventTime[slot] = row.eventTime;
    block.userId[slot] = row.userId;
    block.reasonValue[slot] = row.reasonValue;
    block.reasonCode[slot] = row.reasonCode;
    ++m_size;
}

LogRow LogRowStore::At(std::size_t index) const {
    const Block& block = *m_blocks[index / kBlockRows];
    const std::size_t slot = index % kBlockRows;
    return LogRow{block.eventTime[slot], block.userId[slot], block.reasonValue[slot],
                  block.reasonCode[slot]};
}

void LogRowStore::Clear() {
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_size = 0;
}

LogMessageModel::LogMessageModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flush.setSingleShot(true);
    m_flush.setInterval(kFlushMilliseconds);
    connect(&m_flush, &QTimer::timeout, this, &LogMessageModel::Flush);
}

void LogMessageModel::Add(const LogRow& row) {
    m_rows.Add(row);
    if (!m_flush.isActive()) {
        m_flush.start();
    }
}

void LogMessageModel::Flush() {
    m_flush.stop();
    // A view counts rows in int; rows beyond that stay stored but unseen.
    const std::size_t target = std::min<std::size_t>(m_rows.Size(), INT_MAX);
    if (target == m_shown) {
        return;
    }
    if (m_filter) {
        std::vector<std::uint32_t> added;
        CollectMatches(m_shown, target, added);
        if (added.empty()) {
            m_shown = target;
        } else {
            beginInsertRows({}, 0, static_cast<int>(added.size()) - 1);
            m_matches.insert(m_matches.end(), added.begin(), added.end());
            m_shown = target;
            endInsertRows();
        }
    } else {
        beginInsertRows({}, 0, static_cast<int>(target - m_shown) - 1);
        m_shown = target;
        endInsertRows();
    }
    emit countsChanged();
}

void LogMessageModel::CollectMatches(std::size_t from, std::size_t to,
                                     std::vector<std::uint32_t>& matches) {
    for (std::size_t index = from; index < to; ++index) {
        if (m_filter->Matches(m_rows.At(index))) {
            matches.push_back(static_cast<std::uint32_t>(index));
        }
    }
}

void LogMessageModel::SetFilter(const QString& text) {
    if (text == m_filterText) {
        return;
    }
    const QString previous = m_filterText;
    m_filterText = text;
    beginResetModel();
    if (text.isEmpty()) {
        m_filter.reset();
        m_matches.clear();
        m_matches.shrink_to_fit();
    } else {
        auto filter = std::make_unique<LogRowFilter>(text.toUtf8().toStdString());
        if (m_filter && text.contains(previous, Qt::CaseInsensitive)) {
            // A longer text matches a part of what matched before: only that part is looked at.
            std::size_t kept = 0;
            for (std::uint32_t index : m_matches) {
                if (filter->Matches(m_rows.At(index))) {
                    m_matches[kept++] = index;
                }
            }
            m_matches.resize(kept);
            m_filter = std::move(filter);
        } else {
            m_filter = std::move(filter);
            m_matches.clear();
            CollectMatches(0, m_shown, m_matches);
        }
    }
    endResetModel();
    emit countsChanged();
}

void LogMessageModel::Clear() {
    m_flush.stop();
    beginResetModel();
    m_rows.Clear();
    m_shown = 0;
    m_matches.clear();
    ++m_generation;
    endResetModel();
    emit countsChanged();
}

std::vector<std::uint32_t> LogMessageModel::ShownPlaces() const {
    std::vector<std::uint32_t> places;
    if (m_filter) {
        places.assign(m_matches.rbegin(), m_matches.rend());
        return places;
    }
    places.reserve(m_shown);
    for (std::size_t place = m_shown; place-- > 0;) {
        places.push_back(static_cast<std::uint32_t>(place));
    }
    return places;
}

int LogMessageModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return static_cast<int>(m_filter ? m_matches.size() : m_shown);
}

int LogMessageModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant LogMessageModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const LogRow row = RowAt(index.row());
    switch (index.column()) {
        case 0:
            return QString::fromStdString(UserIdText(row));
        case 1:
            return QString::fromStdString(EventTimeText(row));
        case 2:
            return QString::fromStdString(MessageText(row));
        case 3:
            return QString::fromStdString(ReasonValueText(row));
        default:
            return {};
    }
}

QVariant LogMessageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3) {
        return {};
    }
    return QString::fromLatin1(kHeaders[section]);
}
