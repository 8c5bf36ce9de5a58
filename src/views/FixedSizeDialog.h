#pragma once

#include <QDialog>

// A dialog of fixed size, as the console's dialogs are designed: a title bar with the close
// box only (no maximize button) and no resize handle. The dialog keeps the size it has when
// this is called, or its layout's, whichever is larger.
// The window flags alone, for a dialog whose layout fixes its size.
inline void MakeFixedSizeDialogFlags(QDialog* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint);
}

inline void MakeFixedSizeDialog(QDialog* dialog) {
    MakeFixedSizeDialogFlags(dialog);
    dialog->setFixedSize(dialog->size().expandedTo(dialog->sizeHint()));
}
