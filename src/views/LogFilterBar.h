#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

class LogMessageModel;
class LogExport;
class QLabel;
class QProgressBar;
class QMenu;
class QTimer;
class QLineEdit;
class QPushButton;
class LogListView;

// What stands above a log page's list: the filter field (Ctrl+F goes to it, Escape empties
// it), the count of rows shown of all rows, and "Export..." of the rows shown to a CSV file.
// It also serves the list: Ctrl+C copies the selected rows as tab-separated text, the X
// primary selection holds them, and the list's context menu offers Copy, Copy with column
// headers, Export selected rows and Filter by this user ID. While a filter still looks
// through a long list, the count says how far it has got and Export waits.
class LogFilterBar : public QWidget {
    Q_OBJECT
  public:
    // Asks for the name of the file to export to; empty when the user cancels.
    using FileChooser = std::function<QString()>;

    LogFilterBar(LogMessageModel* model, LogListView* list, QWidget* parent);

    // Replaces the file dialog that asks where to export.
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    QLineEdit* FilterField() const { return m_field; }
    QLabel* CountLabel() const { return m_count; }
    QPushButton* ExportButton() const { return m_export; }

    // Copies the selected rows to the clipboard, with the column headers first when asked.
    // More than kLargestCopy rows are not copied: a box says so and points to the export.
    static constexpr std::int64_t kLargestCopy = 1000000;
    void CopySelectedRows(bool headers = false) const;
    // Writes the rows shown (or only the selected ones) to `path`. Up to kRowsWithoutProgress
    // rows are written at once; more are written in the background, with their progress and
    // a Cancel button in the bar, while the window stays usable. False when the file could
    // not be written (or a background export could not start).
    static constexpr int kRowsWithoutProgress = 20000;
    bool ExportTo(const QString& path, bool selectedOnly = false);
    bool Exporting() const { return m_exporting != nullptr; }
    void OnExport(bool selectedOnly = false);
    // The list's context menu at `at` (viewport coordinates); shown by the list's right button.
    QMenu* ContextMenu(const QPoint& at);

  signals:
    // A background export ended: written whole, or not at all.
    void exportFinished(bool saved);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void UpdateCount();
    void UpdatePrimarySelection();

    LogMessageModel* m_model;
    LogListView* m_list;
    QLineEdit* m_field;
    QLabel* m_count;
    QPushButton* m_export;
    FileChooser m_chooser;
    QTimer* m_primary;  // the X primary selection follows the selection once it settles
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    LogExport* m_exporting = nullptr;
};
