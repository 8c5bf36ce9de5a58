#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class LogListView;

// The log list as screen readers see it: a table of the rows in sight, with the column
// headers as its first row of children, each cell with its text, its place, whether it is
// selected and whether it has the focus. Only the rows in sight are offered, so a list of
// thirty million rows costs a screen reader what a screenful does. Cells are made when asked
// for and dropped whenever the rows in sight change.
class LogListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit LogListAccessible(LogListView* view);
    ~LogListAccessible() override;

    // Makes the log list speak through this class; called once by the first list.
    static void Install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    // The child index of a cell: the headers are row -1.
    static int IndexOf(int row, int column);

  private:
    LogListView* View() const;
    QAccessibleInterface* Cell(int row, int column) const;
    void DropCells();

    mutable QHash<int, QAccessible::Id> m_cells;  // child index -> registered cell
};
