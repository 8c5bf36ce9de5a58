#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <QTreeWidget>

namespace testing_support {

// The texts of a list's column, top to bottom.
inline QStringList Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        texts << list->topLevelItem(row)->text(column);
    }
    return texts;
}

// The rows of a model as the user reads them: the cells of `columns` joined by " / ".
inline QStringList Rows(const QAbstractItemModel* model, int columns = 4) {
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < columns; ++column) {
            cells << model->index(row, column).data().toString();
        }
        rows << cells.join(" / ");
    }
    return rows;
}

}  // namespace testing_support
