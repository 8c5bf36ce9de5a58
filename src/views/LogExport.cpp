#include "views/LogExport.h"

#include <QElapsedTimer>
#include <algorithm>

#include "views/CsvText.h"
#include "views/LogRow.h"

namespace {
constexpr int kRowsPerStep = 4096;
constexpr int kSliceMilliseconds = 15;
}  // namespace

LogExport::LogExport(LogMessageModel* model, const QString& path,
                     std::vector<LogSelection::Range> ranges, QObject* parent)
    : QObject(parent), m_model(model), m_shown(model->Snap()), m_file(path) {
    const int shown = static_cast<int>(m_shown.rows);
    for (LogSelection::Range range : ranges) {
        range.last = std::min(range.last, shown - 1);
        if (range.first <= range.last) {
            m_ranges.push_back(range);
            m_total += range.last - range.first + 1;
        }
    }
    m_next = m_ranges.empty() ? 0 : m_ranges.front().first;
    m_failed = !m_file.open(QIODevice::WriteOnly);
    m_chunk = CsvRecord({std::begin(kLogColumnHeaders), std::end(kLogColumnHeaders)});
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &LogExport::Slice);
}

bool LogExport::Step(int rows) {
    if (!m_model->Holds(m_shown)) {
        Finish(false);  // the list was emptied or filtered anew: the rows are not there
        return false;
    }
    for (; rows > 0 && m_range < m_ranges.size(); --rows) {
        m_chunk += CsvRecord(CellTexts(m_model->RowOf(m_shown, static_cast<std::size_t>(m_next))));
        ++m_written;
        if (++m_next > m_ranges[m_range].last && ++m_range < m_ranges.size()) {
            m_next = m_ranges[m_range].first;
        }
    }
    m_file.write(m_chunk.data(), static_cast<qint64>(m_chunk.size()));
    m_chunk.clear();
    if (m_range >= m_ranges.size()) {
        Finish(true);
        return false;
    }
    return true;
}

void LogExport::Slice() {
    QElapsedTimer clock;
    clock.start();
    while (!m_over && clock.elapsed() < kSliceMilliseconds) {
        if (!Step(kRowsPerStep)) {
            return;
        }
    }
    emit progress(m_written, m_total);
}

void LogExport::Start() {
    if (m_failed) {
        Finish(false);
        return;
    }
    m_slices.start();
}

bool LogExport::RunToEnd() {
    if (m_failed) {
        Finish(false);
        return false;
    }
    while (!m_over && Step(kRowsPerStep)) {
    }
    return !m_failed;
}

void LogExport::Cancel() {
    Finish(false);
}

void LogExport::Finish(bool save) {
    if (m_over) {
        return;
    }
    m_over = true;
    m_slices.stop();
    if (save) {
        m_failed = !m_file.commit();
    } else {
        m_file.cancelWriting();  // the file stays as it was
        m_failed = true;
    }
    emit finished(!m_failed);
}
