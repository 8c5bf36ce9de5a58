// Lays out a simulated QEL installation in a folder and prints the environment that points
// zevo and the peers at it.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "InstallationLayout.h"
#include "core/MarketType.h"

namespace {

// Reads "CM,FO" or "all" into market codes. Returns false on an unknown name.
bool ParseMarkets(const QString& text, std::vector<int>* codes) {
    codes->clear();
    if (text.compare("all", Qt::CaseInsensitive) == 0) {
        for (int code = 1; code <= 7; ++code) {
            codes->push_back(code);
        }
        return true;
    }
    for (const QString& name : text.split(',', Qt::SkipEmptyParts)) {
        int code = 0;
        for (int candidate = CM; candidate <= MF; ++candidate) {
            if (name.trimmed().compare(MarketName(candidate), Qt::CaseInsensitive) == 0) {
                code = candidate;
            }
        }
        if (code == 0) {
            std::fprintf(stderr, "qel_layout: unknown market '%s'\n", qPrintable(name));
            return false;
        }
        codes->push_back(code);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("qel_layout");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Lays out a simulated QEL installation: settings-store file, gateway, common and FIX "
        "configuration files, statistics and log folders.");
    parser.addHelpOption();
    parser.addOption({"dir", "Folder to fill (created when missing).", "folder"});
    parser.addOption(
        {"markets", "Markets to install: a list such as CM,FO or 'all'.", "list", "all"});
    parser.addOption({"fix", "Installed markets that are FIX enabled.", "list", "CM,FO"});
    parser.addOption({"base-port",
                      "First gateway port; market n uses base+2(n-1) and the next, its FIX "
                      "engine base+13+n.",
                      "port", "27100"});
    parser.process(app);

    if (!parser.isSet("dir")) {
        std::fprintf(stderr, "qel_layout: --dir is required\n");
        return 2;
    }
    InstallationLayout layout;
    layout.root = QDir(parser.value("dir")).absolutePath().toStdString();
    layout.basePort = parser.value("base-port").toInt();
    if (!ParseMarkets(parser.value("markets"), &layout.markets) ||
        !ParseMarkets(parser.value("fix"), &layout.fixMarkets) || layout.basePort <= 0 ||
        layout.basePort > 65536 - InstallationLayout::kPorts) {
        return 2;
    }
    std::string error;
    if (!layout.Write(&error)) {
        std::fprintf(stderr, "qel_layout: %s\n", error.c_str());
        return 1;
    }
    std::printf("QEL_IP_REGISTRY=%s\nQEL_IP_SERVICE_DIR=%s\n", layout.RegistryPath().c_str(),
                layout.ServiceDir().c_str());
    return 0;
}
