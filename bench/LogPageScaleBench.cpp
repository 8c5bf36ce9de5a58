// The GUI thread's cost to show a new row on a shown log page as a function of the rows the
// page already holds. For each count of held rows a fresh page (offscreen, 900 x 400) is
// filled, then rows arrive one per batch (the 10-a-second case: each row is its own batch and
// its own repaint) and in batches of 100, and the thread's CPU time per row is taken as the
// median over the batches. Ends with one line, for the smallest and the largest count:
//
//   held=N us_per_row_small=.. us_per_row_large=.. ratio=.. rss_anon_mb=..
//
// rss_anon_mb is the process's resident anonymous memory with the largest page filled;
// us_strip_paint the median CPU time of one repaint of the page's log-volume strip.
//
//   log_page_scale_bench [held...]     (default 20 1000000 10000000 30000000)

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ProcessCost.h"
#include "views/GenericLogs.h"
#include "views/LogMessageModel.h"
#include "views/LogVolumeStrip.h"

namespace {

double ThreadMicroseconds() {
    return ThreadCpuSeconds() * 1e6;
}

LogRow Row(int i) {
    return LogRow{1772460309 + i, 1000 + i % 500, i, static_cast<std::uint16_t>(11000 + i % 27)};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median CPU microseconds per row of `batches` batches of `rows` rows each: added, shown,
// and painted.
double CostPerRow(CGenericLogs& page, int batches, int rows, int& next) {
    std::vector<double> costs;
    for (int batch = 0; batch < batches; ++batch) {
        const double start = ThreadMicroseconds();
        for (int row = 0; row < rows; ++row) {
            page.Model().Add(Row(next++));
        }
        page.Model().Flush();
        QApplication::processEvents();  // the repaint the batch asked for
        costs.push_back((ThreadMicroseconds() - start) / rows);
    }
    return Median(costs);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<long> counts;
    for (int i = 1; i < argc; ++i) {
        counts.push_back(std::stol(argv[i]));
    }
    if (counts.empty()) {
        counts = {20, 1000000, 10000000, 30000000};
    }
    double smallCost = 0, largeCost = 0, rss = 0;
    for (long held : counts) {
        CGenericLogs page;
        page.resize(900, 400);
        page.show();
        int next = 0;
        for (long i = 0; i < held; ++i) {
            page.Model().Add(Row(next++));
        }
        page.Model().Flush();
        for (int i = 0; i < 10; ++i) {
            QApplication::processEvents();
        }
        const double single = CostPerRow(page, 300, 1, next);
        const double batch = CostPerRow(page, 50, 100, next);
        rss = RssAnonBytes() / 1048576.0;
        // The log-volume strip's own repaint, which every shown batch asks for.
        std::vector<double> paints;
        for (int i = 0; i < 50; ++i) {
            const double start = ThreadMicroseconds();
            page.VolumeStrip()->grab();
            paints.push_back(ThreadMicroseconds() - start);
        }
        std::printf(
            "held=%ld us_per_row_single=%.1f us_per_row_batch100=%.2f us_strip_paint=%.0f "
            "rss_anon_mb=%.0f\n",
            held, single, batch, Median(paints), rss);
        std::fflush(stdout);
        (held == counts.front() ? smallCost : largeCost) = single;
    }
    std::printf(
        "held=%ld us_per_row_small=%.1f us_per_row_large=%.1f ratio=%.2f rss_anon_mb=%.0f\n",
        counts.back(), smallCost, largeCost, largeCost / smallCost, rss);
    return 0;
}
