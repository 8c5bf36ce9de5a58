#pragma once

#include <QStringList>

#include "views/LogMessageModel.h"
#include "views/LogRow.h"

namespace testing_support {

// The cells of a log page's rows as shown, newest first, as "User ID / Time / Message /
// Reason".
inline QStringList LogRows(const LogMessageModel& model) {
    QStringList rows;
    for (int row = 0; row < model.RowCount(); ++row) {
        const std::vector<std::string> cells = CellTexts(model.Row(row));
        rows << QString::fromStdString(cells[0] + " / " + cells[1] + " / " + cells[2] + " / " +
                                       cells[3]);
    }
    return rows;
}

}  // namespace testing_support
