#include "views/LogListAccessible.h"

#include <QHeaderView>

#include "views/LogListView.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"

namespace {

constexpr int kColumns = 4;

// One cell of the rows in sight (`row` counted from the first row in sight), or a column
// header (`row` -1).
class LogCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
  public:
    LogCellAccessible(LogListView* view, int row, int column)
        : m_view(view), m_row(row), m_column(column) {}

    bool isValid() const override {
        return m_view && (m_row < 0 || m_row < m_view->RowsShownInSight());
    }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_view);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text type) const override {
        if (!isValid() || (type != QAccessible::Name && type != QAccessible::Value)) {
            return {};
        }
        return m_row < 0 ? QString(kLogColumnHeaders[m_column])
                         : m_view->CellText(m_view->TopRow() + m_row, m_column);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        if (m_row < 0) {
            QHeaderView* header = m_view->Header();
            return QRect(header->mapToGlobal(QPoint(header->sectionViewportPosition(m_column), 0)),
                         QSize(header->sectionSize(m_column), header->height()));
        }
        const QRect cell = m_view->CellRect(m_view->TopRow() + m_row, m_column);
        return QRect(m_view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override {
        return m_row < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid() || m_row < 0) {
            return state;
        }
        const int row = m_view->TopRow() + m_row;
        state.selectable = true;
        state.selected = m_view->Selection().Contains(row);
        state.focusable = true;
        state.focused = m_view->hasFocus() && m_view->SelectedRow() == row && m_column == 0;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return state().selected; }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        auto* table = static_cast<LogListAccessible*>(parent());
        return m_row < 0 || !table ? QList<QAccessibleInterface*>{}
                                   : QList<QAccessibleInterface*>{table->child(m_column)};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

  private:
    QPointer<LogListView> m_view;
    int m_row;
    int m_column;
};

QAccessibleInterface* MakeLogListAccessible(const QString& key, QObject* object) {
    auto* view = qobject_cast<LogListView*>(object);
    return key == QLatin1String("LogListView") && view ? new LogListAccessible(view) : nullptr;
}

}  // namespace

void LogListAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(MakeLogListAccessible);
        return true;
    }();
    (void)installed;
}

LogListAccessible::LogListAccessible(LogListView* view)
    : QAccessibleWidget(view, QAccessible::Table) {}

LogListAccessible::~LogListAccessible() {
    DropCells();
}

LogListView* LogListAccessible::View() const {
    return static_cast<LogListView*>(widget());
}

void* LogListAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

int LogListAccessible::IndexOf(int row, int column) {
    return (row + 1) * kColumns + column;
}

int LogListAccessible::rowCount() const {
    return View()->RowsShownInSight();
}

int LogListAccessible::columnCount() const {
    return kColumns;
}

int LogListAccessible::childCount() const {
    return (rowCount() + 1) * kColumns;
}

QAccessibleInterface* LogListAccessible::Cell(int row, int column) const {
    if (column < 0 || column >= kColumns || row < -1 || row >= rowCount()) {
        return nullptr;
    }
    const int index = IndexOf(row, column);
    const auto known = m_cells.constFind(index);
    if (known != m_cells.constEnd()) {
        return QAccessible::accessibleInterface(*known);
    }
    auto* cell = new LogCellAccessible(View(), row, column);
    m_cells.insert(index, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

QAccessibleInterface* LogListAccessible::child(int index) const {
    return index < 0 ? nullptr : Cell(index / kColumns - 1, index % kColumns);
}

int LogListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const QAccessibleTableCellInterface* cell =
        child ? const_cast<QAccessibleInterface*>(child)->tableCellInterface() : nullptr;
    if (!cell || child->parent() != this) {
        return -1;
    }
    return IndexOf(cell->rowIndex(), cell->columnIndex());
}

QAccessibleInterface* LogListAccessible::cellAt(int row, int column) const {
    return row < 0 ? nullptr : Cell(row, column);
}

QAccessibleInterface* LogListAccessible::childAt(int x, int y) const {
    const QPoint at = View()->viewport()->mapFromGlobal(QPoint(x, y));
    const int row = View()->RowAt(at.y());
    const int column = View()->Header()->logicalIndexAt(at.x());
    return row < 0 || column < 0 ? nullptr : Cell(row - View()->TopRow(), column);
}

QAccessibleInterface* LogListAccessible::focusChild() const {
    const int row = View()->SelectedRow() - View()->TopRow();
    return View()->hasFocus() && row >= 0 ? Cell(row, 0) : nullptr;
}

QString LogListAccessible::columnDescription(int column) const {
    return column >= 0 && column < kColumns ? QString(kLogColumnHeaders[column]) : QString();
}

QList<int> LogListAccessible::selectedRows() const {
    QList<int> rows;
    for (int row = 0; row < rowCount(); ++row) {
        if (isRowSelected(row)) {
            rows << row;
        }
    }
    return rows;
}

int LogListAccessible::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

int LogListAccessible::selectedCellCount() const {
    return selectedRowCount() * kColumns;
}

QList<QAccessibleInterface*> LogListAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows()) {
        for (int column = 0; column < kColumns; ++column) {
            cells << Cell(row, column);
        }
    }
    return cells;
}

bool LogListAccessible::isRowSelected(int row) const {
    return row >= 0 && row < rowCount() && View()->Selection().Contains(View()->TopRow() + row);
}

bool LogListAccessible::selectRow(int row) {
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    View()->SelectRow(View()->TopRow() + row);
    return true;
}

void LogListAccessible::modelChange(QAccessibleTableModelChangeEvent*) {
    DropCells();
}

void LogListAccessible::DropCells() {
    for (const QAccessible::Id id : std::as_const(m_cells)) {
        QAccessible::deleteAccessibleInterface(id);
    }
    m_cells.clear();
}
