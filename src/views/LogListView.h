#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <cstdint>

#include "views/LogSelection.h"

class LogMessageModel;
class QHeaderView;
class QPushButton;
class QStandardItemModel;

// The log page's message list: a list of whole rows, newest on top, with the column headers
// above. It paints only the rows in sight, straight from the model's compact rows, and keeps
// nothing per row, so a new row costs the same whether the list holds twenty rows or thirty
// million; a selection is kept as ranges of rows.
//
// At the top the list follows new rows. Anywhere else, while the scroll bar is held, or once
// the operator has picked a row to read, it holds still: what is in sight stays in sight and
// a bar at the top counts the rows that arrived above ("12 new rows - Home to see them").
// The keys are a list's: the arrows, Page Up, Page Down, Home and End move the current row,
// with Shift they extend the selection, with Ctrl they move the current row alone (Ctrl+Space
// selects it); Ctrl+A selects every row shown.
class LogListView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    LogListView(LogMessageModel* model, QWidget* parent);

    QHeaderView* Header() const { return m_header; }
    int RowHeight() const { return m_rowHeight; }
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    LogMessageModel* Model() const { return m_model; }

    // The current row as shown now, or -1; selecting scrolls it into sight.
    int SelectedRow() const;
    void SelectRow(int row);
    const LogSelection& Selection() const { return m_selection; }
    void SelectAll();
    // The selected rows, newest first, with the cells separated by tabs; with the column
    // headers first when `headers` is set.
    QString SelectedRowsText(bool headers) const;
    // The first row in sight and how many rows fit wholly.
    int TopRow() const;
    int RowsInSight() const;
    // The row at a point of the viewport, or -1.
    int RowAt(int y) const;
    // Rows that arrived above the rows in sight while the list held still.
    int NewRowsAbove() const;
    QPushButton* NewRowsBar() const { return m_newRowsBar; }
    // Goes to the newest row and follows new rows again.
    void ShowNewest();
    // Rows in sight that hold a row (fewer than fit at the end of a short list).
    int RowsShownInSight() const;
    // The text of a cell as the list shows it in full, and where it is in the viewport.
    QString CellText(int row, int column) const;
    QRect CellRect(int row, int column) const;
    // Fits a column to its header and the rows in sight.
    void FitColumn(int column);

  signals:
    // The selection or the current row changed.
    void selectionChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void OnRowsChanged(int onTop);
    void OnReset(bool emptied);
    bool Following() const;
    bool SelectionInSight() const;
    void UpdateScrollBars();
    void UpdateNewRowsBar();
    void PlaceHeader();
    void StretchMessageColumn();
    void PaintRow(QPainter& painter, int row, int y, bool selected) const;
    // Makes `row` the current one; `extend` selects from the anchor to it, `alone` leaves
    // the selection as it is, otherwise it becomes the only row selected.
    void MoveCurrent(int row, bool extend, bool alone);
    void ScrollTo(int row);
    int AnchorRow() const;
    void PlacePendingRow();
    bool ShowToolTip(const QPoint& at);
    int CellMargin() const;
    void Changed();
    // Tells screen readers that other rows are in sight.
    void RowsInSightMoved();

    LogMessageModel* m_model;
    QStandardItemModel* m_headerTexts;
    QHeaderView* m_header;
    QPushButton* m_newRowsBar;
    int m_rowHeight;  // one line of the list's font
    LogSelection m_selection;
    bool m_hasCurrent = false;
    std::uint32_t m_currentPlace = 0;  // the current message's place in the store
    std::uint32_t m_anchorPlace = 0;   // where a Shift selection starts
    bool m_pinned = false;             // the operator picked a row: new rows do not move the list
    int m_newAbove = 0;                // rows that arrived above while the list held still
    bool m_holding = false;            // the scroll value is being moved with rows that arrived
    bool m_stretching = false;
    int m_messageWidth = 0;  // the Message column's width before it took the free width
    // The current row of a filter that is still looking: placed at `m_pendingOffset` rows
    // from the top once the search finds it, unless the operator moved on.
    bool m_pending = false;
    int m_pendingOffset = 0;
    // Where the last placement put the row and the list: while both are unchanged, the next
    // filter keeps the offset that placement wanted (a short result may not have honoured it).
    int m_placedRow = -1;
    int m_placedTop = -1;
};
