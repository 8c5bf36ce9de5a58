// The program's entry: one modal main window whose end code is the exit code.

#include <QApplication>
#include <QCommandLineParser>
#include <cstring>

#include "app/ZEVOClientPHASE4Dlg.h"
#include "platform/SettingsStore.h"

namespace {

void DescribeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription("Console for the QEL trading gateways of this machine.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"c", "Open the gateway configuration of market <code> (1 CM .. 7 MF) at start.", "code"});
}

// --help and --version answer without opening a display.
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName("zevo");
        QCoreApplication::setApplicationVersion("4.0.0");
        QCommandLineParser parser;
        DescribeCommandLine(parser);
        parser.process(app);  // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZEVO");
    QApplication::setApplicationVersion("4.0.0");
    CZEVOClientPHASE4Dlg dialog(platform::DefaultSettingsStore());
    dialog.OnInitDialog(app.arguments().mid(1));
    return dialog.exec();
}
