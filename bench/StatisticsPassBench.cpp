// How long the GUI thread spends on one statistics pass with many parameters on one page:
// the pass that creates the rows, then passes that update every row (the steady state).
//   statistics_pass_bench [parameters]    (default 10000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Clock.h"
#include "views/GenericStatistics.h"
#include "views/StatisticsFile.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int parameters = argc > 1 ? std::atoi(argv[1]) : 10000;
    CGenericStatistics* pages[8] = {};
    CGenericStatistics common;
    common.SetMarketType(100);
    pages[0] = &common;
    common.resize(600, 400);
    common.show();

    const auto now = static_cast<std::uint64_t>(platform::DefaultClock().UnixSeconds());
    auto pass = [&](int round) {
        std::vector<StatisticsRecord> records;
        records.reserve(parameters);
        for (int i = 0; i < parameters; ++i) {
            records.push_back({100, "Parameter number " + std::to_string(i),
                               std::to_string(i + round), "Nos", now});
        }
        QElapsedTimer timer;
        timer.start();
        DispatchStatistics(records, pages);
        QCoreApplication::processEvents();  // the repaint belongs to the pass
        return timer.nsecsElapsed() / 1e6;
    };
    const double first = pass(0);
    std::vector<double> steady;
    for (int round = 1; round <= 10; ++round) {
        steady.push_back(pass(round));
    }
    std::sort(steady.begin(), steady.end());
    std::printf(
        "parameters=%d first_pass_ms=%.1f steady_pass_median_ms=%.2f steady_pass_max_ms=%.2f "
        "rows=%d\n",
        parameters, first, steady[steady.size() / 2], steady.back(),
        common.List()->topLevelItemCount());
    return 0;
}
