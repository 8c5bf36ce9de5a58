#pragma once

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>

namespace testing_support {

// A dialog's control, named by its resource ID.
template <typename Control = QPushButton>
Control* Get(const QWidget* dialog, const char* id) {
    return dialog->findChild<Control*>(id);
}

// Types `text` into the edit `id` in place of what it holds.
inline void Type(QWidget* dialog, const char* id, const QString& text) {
    Get<QLineEdit>(dialog, id)->clear();
    QTest::keyClicks(Get<QLineEdit>(dialog, id), text);
}

inline void Click(QWidget* dialog, const char* id) {
    QTest::mouseClick(Get(dialog, id), Qt::LeftButton);
}

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
