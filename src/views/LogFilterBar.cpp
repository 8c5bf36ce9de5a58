#include "views/LogFilterBar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>

#include "platform/MessageBox.h"
#include "views/LogExport.h"
#include "views/LogListView.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"

namespace {

// The primary selection takes up to this many rows; a larger selection leaves it as it was.
constexpr std::int64_t kLargestPrimary = 100000;

}  // namespace

LogFilterBar::LogFilterBar(LogMessageModel* model, LogListView* list, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_list(list),
      m_field(new QLineEdit(this)),
      m_count(new QLabel(this)),
      m_export(new QPushButton("&Export...", this)),
      m_primary(new QTimer(this)),
      m_progress(new QProgressBar(this)),
      m_cancel(new QPushButton("Cancel", this)) {
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
    m_progress->setObjectName("logExportProgress");
    m_progress->setFormat("Exporting %p%");
    m_progress->setFixedWidth(m_progress->fontMetrics().horizontalAdvance("Exporting 100%") * 2);
    m_progress->hide();
    m_cancel->setObjectName("logExportCancel");
    m_cancel->setAutoDefault(false);
    m_cancel->hide();
    layout->addWidget(m_progress);
    layout->addWidget(m_cancel);
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
    connect(copy, &QAction::triggered, this, [this] { CopySelectedRows(false); });
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = ContextMenu(at);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_list->viewport()->mapToGlobal(at));
    });
    m_primary->setSingleShot(true);
    m_primary->setInterval(150);
    connect(m_primary, &QTimer::timeout, this, &LogFilterBar::UpdatePrimarySelection);
    connect(m_list, &LogListView::selectionChanged, m_primary, qOverload<>(&QTimer::start));
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
    m_export->setEnabled(!m_model->Searching() && !m_exporting);
}

void LogFilterBar::CopySelectedRows(bool headers) const {
    const std::int64_t count = m_list->Selection().Count();
    if (count == 0) {
        return;
    }
    if (count > kLargestCopy) {
        platform::ShowMessageBox(
            m_list,
            QString("%1 rows are selected; at most %2 are copied at once. Export selected rows "
                    "writes them all to a file.")
                .arg(QLocale(QLocale::English).toString(static_cast<qlonglong>(count)),
                     QLocale(QLocale::English).toString(static_cast<qlonglong>(kLargestCopy)))
                .toStdString(),
            "Copy", platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    QApplication::clipboard()->setText(m_list->SelectedRowsText(headers));
}

void LogFilterBar::UpdatePrimarySelection() {
    QClipboard* clipboard = QApplication::clipboard();
    const std::int64_t count = m_list->Selection().Count();
    if (clipboard->supportsSelection() && count > 0 && count <= kLargestPrimary) {
        clipboard->setText(m_list->SelectedRowsText(false), QClipboard::Selection);
    }
}

QMenu* LogFilterBar::ContextMenu(const QPoint& at) {
    auto* menu = new QMenu(m_list);
    menu->setObjectName("logContextMenu");
    const bool selected = !m_list->Selection().Empty();
    QAction* copy = menu->addAction("&Copy", [this] { CopySelectedRows(false); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(selected);
    menu->addAction("Copy with column &headers", [this] { CopySelectedRows(true); })
        ->setEnabled(selected);
    menu->addAction("E&xport selected rows...", [this] { OnExport(true); })
        ->setEnabled(selected && !m_model->Searching() && !m_exporting);
    menu->addSeparator();
    const int row = m_list->RowAt(at.y());
    const QString user = row >= 0 ? m_list->CellText(row, 0) : QString();
    menu->addAction("&Filter by this user ID", [this, user] { m_field->setText(user); })
        ->setEnabled(!user.isEmpty());
    return menu;
}

void LogFilterBar::OnExport(bool selectedOnly) {
    const QString path = m_chooser ? m_chooser() : QString();
    if (!path.isEmpty()) {
        ExportTo(path, selectedOnly);
    }
}

bool LogFilterBar::ExportTo(const QString& path, bool selectedOnly) {
    if (m_exporting) {
        return false;  // one export at a time
    }
    m_model->FinishSearch();
    std::vector<LogSelection::Range> ranges;
    if (selectedOnly) {
        ranges = m_list->Selection().Ranges();  // rows as shown now, which the export takes
    } else {
        ranges.push_back({0, m_model->RowCount() - 1});
    }
    auto* job = new LogExport(m_model, path, std::move(ranges), this);
    if (job->Failed() || job->Total() <= kRowsWithoutProgress) {
        const bool saved = job->RunToEnd();
        delete job;
        return saved;
    }
    m_exporting = job;
    m_progress->setRange(0, job->Total());
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    UpdateCount();
    connect(m_cancel, &QPushButton::clicked, job, &LogExport::Cancel);
    connect(job, &LogExport::progress, m_progress, &QProgressBar::setValue);
    connect(job, &LogExport::finished, this, [this](bool saved) {
        m_exporting->deleteLater();
        m_exporting = nullptr;
        m_progress->hide();
        m_cancel->hide();
        disconnect(m_cancel, nullptr, nullptr, nullptr);
        UpdateCount();
        emit exportFinished(saved);
    });
    job->Start();
    return true;
}
