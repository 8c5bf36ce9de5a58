// The simulated statistics component: rewrites the statistics files once a second.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <cstdio>

#include "SignalExit.h"
#include "SimSettings.h"
#include "StatisticsWriter.h"
#include "base/Settings.h"
#include "platform/SettingsStore.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated QEL statistics component: keeps common.stat and <market>.stat current in "
        "the settings store's CURRENT_FILES_PATH for the installed markets.");
    parser.addHelpOption();
    parser.addOption({"dir", "Statistics folder (default: CURRENT_FILES_PATH).", "dir"});
    parser.addOption({"interval", "Milliseconds between rewrites.", "ms", "1000"});
    parser.process(app);

    const auto& store = platform::DefaultSettingsStore();
    std::string directory = parser.value("dir").toStdString();
    if (directory.empty()) {
        auto key = store.OpenKey(std::string(settings::kRoot) + "\\COMMON\\1");
        if (!key || !platform::QueryString(*key, "CURRENT_FILES_PATH", 1024, &directory)) {
            std::fprintf(stderr, "qel_statistics: no CURRENT_FILES_PATH in %s; give --dir\n",
                         platform::DefaultSettingsStorePath().c_str());
            return 2;
        }
    }
    const std::vector<int> markets = InstalledMarketCodes(store);
    std::fprintf(stderr, "qel_statistics: writing %zu market files and common.stat in %s\n",
                 markets.size(), directory.c_str());
    QuitOnTerminationSignals();
    StatisticsWriter writer(directory, markets);
    QTimer timer;
    auto tick = [&] {
        if (!writer.WriteAll(QDateTime::currentSecsSinceEpoch())) {
            std::fprintf(stderr, "qel_statistics: cannot write in %s\n", directory.c_str());
        }
    };
    QObject::connect(&timer, &QTimer::timeout, tick);
    tick();
    timer.start(std::max(50, parser.value("interval").toInt()));
    return app.exec();
}
