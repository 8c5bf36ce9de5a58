#pragma once

#include <QWidget>
#include <functional>

class LogMessageModel;
class QLabel;
class QLineEdit;
class QPushButton;
class LogListView;

// What stands above a log page's list: the filter field (Ctrl+F goes to it, Escape empties
// it), the count of rows shown of all rows, and "Export..." of the rows shown to a CSV file.
// It also gives the list Ctrl+C, which copies the selected row as tab-separated text. While a
// filter still looks through a long list, the count says how far it has got and Export waits.
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

    // The selected row, one line with the cells separated by tabs.
    QString SelectedRowsText() const;
    void CopySelectedRows() const;
    // Writes the rows shown to `path`; false when it could not be written or was cancelled.
    bool ExportTo(const QString& path);
    void OnExport();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void UpdateCount();

    LogMessageModel* m_model;
    LogListView* m_list;
    QLineEdit* m_field;
    QLabel* m_count;
    QPushButton* m_export;
    FileChooser m_chooser;
};
