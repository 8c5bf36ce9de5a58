#include "views/LogFilterBar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <algorithm>

#include "views/CsvText.h"
#include "views/LogListView.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"

namespace {

// Exports of more rows than this show their progress.
constexpr int kRowsWithoutProgress = 20000;
constexpr int kRowsPerStep = 4096;

}  // namespace

LogFilterBar::LogFilterBar(LogMessageModel* model, LogListView* list, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_list(list),
      m_field(new QLineEdit(this)),
      m_count(new QLabel(this)),
      m_export(new QPushButton("&Export...", this)) {
    m_field->setObjectName("logFilter");
    m_field->setPlaceholderText("Filter (Ctrl+F)");
    m_field->setClearButtonEnabled(true);
    m_count->setObjectName("logFilterCount");
    // A fixed size, so a new count repaints the count alone and never lays out the page.
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_count->setFixedSize(
        m_count->fontMetrics().horizontalAdvance("00000000 of 00000000, 100% searched") + 8,
        m_count->sizeHint().height());
    m_export->setObjectName("logExport");
    m_export->setAutoDefault(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_count);
    layout->addWidget(m_export);

    // Only the page on show takes Ctrl+F: the hidden pages' shortcuts are not active.
    auto* find = new QShortcut(QKeySequence::Find, parent, nullptr, nullptr, Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        m_field->setFocus(Qt::ShortcutFocusReason);
        m_field->selectAll();
    });
    auto* copy = new QAction(m_list);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(copy);
    connect(copy, &QAction::triggered, this, &LogFilterBar::CopySelectedRows);
    m_field->installEventFilter(this);
    m_list->installEventFilter(this);

    connect(m_field, &QLineEdit::textChanged, m_model, &LogMessageModel::SetFilter);
    connect(m_model, &LogMessageModel::countsChanged, this, &LogFilterBar::UpdateCount);
    connect(m_export, &QPushButton::clicked, this, &LogFilterBar::OnExport);
    m_chooser = [this] {
        return QFileDialog::getSaveFileName(this, "Export log messages", "log-messages.csv",
                                            "CSV files (*.csv);;All files (*)");
    };
    UpdateCount();
}

// Escape empties a filter that is set; with none it goes on as before (to the window).
bool LogFilterBar::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_field->text().isEmpty()) {
        if (event->type() == QEvent::KeyPress) {
            m_field->clear();
        }
        event->accept();
        return event->type() == QEvent::KeyPress;
    }
    return QWidget::eventFilter(watched, event);
}

void LogFilterBar::UpdateCount() {
    QString text = QString("%1 of %2").arg(m_model->RowCount()).arg(m_model->TotalRows());
    if (m_model->Searching()) {
        text += QString(", %1% searched").arg(m_model->Searched() * 100 / m_model->SearchTotal());
    }
    m_count->setText(text);
    m_export->setEnabled(!m_model->Searching());
}

QString LogFilterBar::SelectedRowsText() const {
    const int row = m_list->SelectedRow();
    QString text;
    if (row < 0) {
        return text;
    }
    const std::vector<std::string> cells = CellTexts(m_model->Row(row));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        text += QString::fromStdString(cells[i]);
        text += i + 1 < cells.size() ? '\t' : '\n';
    }
    return text;
}

void LogFilterBar::CopySelectedRows() const {
    const QString text = SelectedRowsText();
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

void LogFilterBar::OnExport() {
    const QString path = m_chooser ? m_chooser() : QString();
    if (!path.isEmpty()) {
        ExportTo(path);
    }
}

bool LogFilterBar::ExportTo(const QString& path) {
    // The rows are those on show when the export starts; rows that arrive meanwhile are not
    // in it, and a list emptied meanwhile (a new connection) ends it.
    m_model->FinishSearch();
    const LogMessageModel::Snapshot shown = m_model->Snap();
    const int rows = static_cast<int>(shown.rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    std::unique_ptr<QProgressDialog> progress;
    if (rows > kRowsWithoutProgress) {
        progress =
            std::make_unique<QProgressDialog>("Exporting log messages...", "Cancel", 0, rows, this);
        progress->setObjectName("logExportProgress");
        progress->setWindowModality(Qt::WindowModal);  // its steps take the window's events
        progress->setMinimumDuration(0);
        progress->setValue(0);
    }
    std::string chunk = CsvRecord({std::begin(kLogColumnHeaders), std::end(kLogColumnHeaders)});
    for (int row = 0; row < rows; ++row) {
        chunk += CsvRecord(CellTexts(m_model->RowOf(shown, static_cast<std::size_t>(row))));
        if ((row + 1) % kRowsPerStep == 0) {
            file.write(chunk.data(), static_cast<qint64>(chunk.size()));
            chunk.clear();
            if (progress) {
                progress->setValue(row + 1);  // lets the dialog's Cancel button work
                if (progress->wasCanceled() || !m_model->Holds(shown)) {
                    file.cancelWriting();  // the file stays as it was
                    return false;
                }
            }
        }
    }
    file.write(chunk.data(), static_cast<qint64>(chunk.size()));
    if (progress) {
        progress->setValue(rows);
    }
    return file.commit();
}
