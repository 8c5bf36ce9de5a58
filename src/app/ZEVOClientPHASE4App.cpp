// The program's entry: one modal main window whose end code is the exit code.

#include <QApplication>

#include "app/ZEVOClientPHASE4Dlg.h"
#include "platform/SettingsStore.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZEVO");
    QApplication::setApplicationVersion("4.0.0");
    CZEVOClientPHASE4Dlg dialog(platform::DefaultSettingsStore());
    dialog.OnInitDialog();
    return dialog.exec();
}
