#pragma once

#include <QTableView>

// The log page's message list. It is a list of whole rows: Home and End go to the first and
// last row, as in any list, where a table's own Home and End stay in the row and move
// between cells that are never selected one by one.
class LogTableView : public QTableView {
  public:
    using QTableView::QTableView;

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        if (action == MoveHome || action == MoveEnd) {
            modifiers |= Qt::ControlModifier;
        }
        return QTableView::moveCursor(action, modifiers);
    }
};
