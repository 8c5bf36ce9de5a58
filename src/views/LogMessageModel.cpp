#include "views/LogMessageModel.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>
#include <climits>
#include <utility>

namespace {
// Rows looked at between two looks at the clock.
constexpr std::size_t kRowsPerStep = 1024;
}  // namespace

LogMessageModel::LogMessageModel(QObject* parent) : QObject(parent) {
    m_flush.setSingleShot(true);
    m_flush.setInterval(kFlushMilliseconds);
    connect(&m_flush, &QTimer::timeout, this, &LogMessageModel::Flush);
    m_search.setSingleShot(true);
    m_search.setInterval(0);
    connect(&m_search, &QTimer::timeout, this, &LogMessageModel::SearchSlice);
}

void LogMessageModel::Flush() {
    m_flush.stop();
    // A list counts rows in int; rows beyond that stay stored but unseen.
    const std::size_t target = std::min<std::size_t>(m_rows.Size(), INT_MAX);
    if (target == m_shown) {
        return;
    }
    const std::size_t from = m_shown;
    m_shown = target;
    if (m_filter) {
        const std::size_t before = m_arrived.size();
        CollectMatches(from, target, m_arrived);
        if (m_arrived.size() != before) {
            emit rowsChanged(static_cast<int>(m_arrived.size() - before));
        }
    } else {
        emit rowsChanged(static_cast<int>(target - from));
    }
    emit countsChanged();
}

void LogMessageModel::CollectMatches(std::size_t from, std::size_t to,
                                     std::deque<std::uint32_t>& matches) {
    for (std::size_t index = from; index < to; ++index) {
        const LogRow row = m_rows.At(index);
        if (m_filter->Matches(row)) {
            matches.push_back(static_cast<std::uint32_t>(index));
            m_volume.AddMatch(row.eventTime);
        }
    }
}

void LogMessageModel::SetFilter(const QString& text) {
    if (text != m_filterText) {
        ApplyFilter(text, m_rangeFrom, m_rangeTo);
    }
}

void LogMessageModel::SetTimeRange(std::int64_t from, std::int64_t to) {
    if (to <= from) {
        from = to = 0;
    }
    if (from != m_rangeFrom || to != m_rangeTo) {
        ApplyFilter(m_filterText, from, to);
    }
}

void LogMessageModel::ApplyFilter(const QString& text, std::int64_t from, std::int64_t to) {
    emit aboutToReset();
    const bool narrowing = m_filter && !Searching() && from == m_rangeFrom && to == m_rangeTo &&
                           text.contains(m_filterText, Qt::CaseInsensitive);
    m_filterText = text;
    m_rangeFrom = from;
    m_rangeTo = to;
    m_volume.ClearMatches();
    m_search.stop();
    m_narrowing = narrowing;
    if (narrowing) {
        // A longer text matches a part of what matched before: only that part is looked at.
        m_lastArrived = std::exchange(m_arrived, {});
        m_lastFound = std::exchange(m_found, {});
    } else {
        m_lastArrived = {};
        m_lastFound = {};
        m_arrived = {};
        m_found = {};
    }
    if (text.isEmpty() && to <= from) {
        m_filter.reset();
        m_searchLeft = m_searchTotal = 0;
    } else {
        m_filter = std::make_unique<LogRowFilter>(text.toUtf8().toStdString(), from, to);
        m_filterFrom = m_shown;
        m_searchLeft = m_searchTotal =
            narrowing ? m_lastArrived.size() + m_lastFound.size() : m_shown;
    }
    ++m_generation;
    emit reset(false);
    // The first slice runs now: a short list is filtered before the call returns, and a long
    // one shows its newest matches at once.
    m_lastShownMs = 0;
    SearchSlice();
    emit countsChanged();
}

bool LogMessageModel::SearchStep(std::size_t rows) {
    const std::size_t stop = m_searchLeft - std::min(rows, m_searchLeft);
    const std::size_t before = m_found.size();
    while (m_searchLeft > stop) {
        const std::uint32_t place = Candidate(m_searchTotal - m_searchLeft);
        --m_searchLeft;
        const LogRow row = m_rows.At(place);
        if (m_filter->Matches(row)) {
            m_found.push_back(place);
            m_volume.AddMatch(row.eventTime);
        }
    }
    return m_found.size() != before;
}

// The place of the candidate after `looked` others, newest first.
std::uint32_t LogMessageModel::Candidate(std::size_t looked) const {
    if (!m_narrowing) {
        return static_cast<std::uint32_t>(m_searchTotal - 1 - looked);
    }
    return looked < m_lastArrived.size() ? m_lastArrived[m_lastArrived.size() - 1 - looked]
                                         : m_lastFound[looked - m_lastArrived.size()];
}

void LogMessageModel::SearchSlice() {
    if (!m_filter || m_searchLeft == 0) {
        return;
    }
    QElapsedTimer clock;
    clock.start();
    bool found = false;
    while (m_searchLeft > 0 && clock.elapsed() < kSliceMilliseconds) {
        found = SearchStep(kRowsPerStep) || found;
    }
    if (m_searchLeft == 0) {
        m_lastArrived = {};
        m_lastFound = {};
    } else {
        m_search.start();
    }
    // What was found shows at most once a batch, and at the end.
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    if (m_searchLeft == 0 || now - m_lastShownMs >= kFlushMilliseconds) {
        m_lastShownMs = now;
        if (found || m_searchLeft == 0) {
            emit rowsChanged(0);
        }
        emit countsChanged();
    }
}

void LogMessageModel::FinishSearch() {
    if (m_filter && m_searchLeft > 0) {
        m_search.stop();
        SearchStep(m_searchLeft);
        m_lastArrived = {};
        m_lastFound = {};
        emit rowsChanged(0);
        emit countsChanged();
    }
}

void LogMessageModel::Clear() {
    emit aboutToReset();
    m_flush.stop();
    m_search.stop();
    m_rows.Clear();
    m_volume.Clear();
    m_shown = 0;
    m_arrived = {};
    m_found = {};
    m_lastArrived = {};
    m_lastFound = {};
    m_filterFrom = 0;
    m_searchLeft = m_searchTotal = 0;
    ++m_generation;
    emit reset(true);
    emit countsChanged();
}

std::uint32_t LogMessageModel::PlaceOf(int row) const {
    const std::size_t r = static_cast<std::size_t>(row);
    if (!m_filter) {
        return static_cast<std::uint32_t>(m_shown - 1 - r);
    }
    return r < m_arrived.size() ? m_arrived[m_arrived.size() - 1 - r]
                                : m_found[r - m_arrived.size()];
}

int LogMessageModel::RowOf(std::uint32_t place) const {
    if (!m_filter) {
        return place < m_shown ? static_cast<int>(m_shown - 1 - place) : -1;
    }
    if (place >= m_filterFrom) {
        const auto at = std::lower_bound(m_arrived.begin(), m_arrived.end(), place);
        return at != m_arrived.end() && *at == place ? static_cast<int>(m_arrived.end() - at - 1)
                                                     : -1;
    }
    const auto at = std::lower_bound(m_found.begin(), m_found.end(), place, std::greater<>());
    return at != m_found.end() && *at == place
               ? static_cast<int>(m_arrived.size() + static_cast<std::size_t>(at - m_found.begin()))
               : -1;
}

LogMessageModel::Snapshot LogMessageModel::Snap() const {
    return {static_cast<std::size_t>(RowCount()), m_arrived.size(), m_shown, m_generation};
}

LogRow LogMessageModel::RowOf(const Snapshot& snapshot, std::size_t row) const {
    if (!m_filter) {
        return m_rows.At(snapshot.shown - 1 - row);
    }
    return m_rows.At(row < snapshot.arrived ? m_arrived[snapshot.arrived - 1 - row]
                                            : m_found[row - snapshot.arrived]);
}
