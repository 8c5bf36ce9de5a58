#pragma once

#include <QAbstractScrollArea>
#include <cstdint>

class LogMessageModel;
class QHeaderView;
class QStandardItemModel;

// The log page's message list: a list of whole rows, newest on top, with the column headers
// above. It paints only the rows in sight, straight from the model's compact rows, and keeps
// nothing per row, so a new row costs the same whether the list holds twenty rows or thirty
// million. One row is selected at a time and stays with its message as rows arrive above it.
// The keys are a list's: the arrows, Page Up and Page Down, Home and End.
class LogListView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    LogListView(LogMessageModel* model, QWidget* parent);

    QHeaderView* Header() const { return m_header; }
    int RowHeight() const { return m_rowHeight; }
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    // The selected row as shown now, or -1; selecting scrolls it into sight.
    int SelectedRow() const;
    void SelectRow(int row);
    // The first row in sight and how many rows fit wholly.
    int TopRow() const;
    int RowsInSight() const;
    // The row at a point of the viewport, or -1.
    int RowAt(int y) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnRowsChanged(int onTop);
    void OnReset();
    void UpdateScrollBars();
    void PlaceHeader();
    void PaintRow(QPainter& painter, int row, int y, bool selected) const;

    LogMessageModel* m_model;
    QStandardItemModel* m_headerTexts;
    QHeaderView* m_header;
    int m_rowHeight;  // one line of the list's font
    bool m_hasSelection = false;
    std::uint32_t m_selectedPlace = 0;  // the selected message's place in the store
};
