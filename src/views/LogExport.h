#pragma once

#include <QObject>
#include <QSaveFile>
#include <QTimer>
#include <string>
#include <vector>

#include "views/LogMessageModel.h"
#include "views/LogSelection.h"

// One export of log rows to a CSV file, written a slice at a time from the event loop, so
// the window stays usable through an export of millions of rows. The rows are those shown
// when it starts (all, or the selected ranges); rows that arrive meanwhile are not in it. A
// list emptied or filtered anew meanwhile, or a cancel, ends it with the file as it was.
class LogExport : public QObject {
    Q_OBJECT
  public:
    // Opens `path` for writing; Failed() says whether that went wrong.
    LogExport(LogMessageModel* model, const QString& path, std::vector<LogSelection::Range> ranges,
              QObject* parent);

    bool Failed() const { return m_failed; }
    int Total() const { return m_total; }
    int Written() const { return m_written; }
    // Writes in slices until done; finished() comes at the end.
    void Start();
    // Writes everything now.
    bool RunToEnd();
    void Cancel();

  signals:
    void progress(int written, int total);
    void finished(bool saved);

  private:
    // Writes up to `rows` rows; false once the export is over.
    bool Step(int rows);
    void Slice();
    void Finish(bool save);

    LogMessageModel* m_model;
    LogMessageModel::Snapshot m_shown;
    QSaveFile m_file;
    std::vector<LogSelection::Range> m_ranges;
    std::size_t m_range = 0;
    int m_next = 0;  // the next row of the current range
    int m_total = 0;
    int m_written = 0;
    bool m_failed = false;
    bool m_over = false;
    std::string m_chunk;
    QTimer m_slices;
};
