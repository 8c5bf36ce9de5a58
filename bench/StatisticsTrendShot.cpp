// A picture of a statistics page with two rows' trends drawn, to look at the chart at the
// screen's font, scale and palette (offscreen):
//   statistics_trend_shot FILE.png [--dark] [--row R]... [--span I]
// (rows R selected, by default the first two; span I of the pane's list, by default the hour)
// Offscreen unless QT_QPA_PLATFORM names another platform; the offscreen platform ignores
// QT_FONT_DPI, so a larger font is seen on a virtual X server:
//   QT_QPA_PLATFORM=xcb QT_FONT_DPI=144 xvfb-run -a statistics_trend_shot big.png
//   QT_SCALE_FACTOR=2 statistics_trend_shot twice.png
#include <QApplication>
#include <QComboBox>
#include <QPalette>
#include <QStyleFactory>
#include <QTreeWidget>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DarkPalette.h"
#include "platform/Clock.h"
#include "views/GenericStatistics.h"
#include "views/StatisticsFile.h"
#include "views/StatisticsTrendPane.h"

namespace {

class SetClock final : public platform::Clock {
  public:
    platform::LocalTime Now() const override { return {}; }
    std::int64_t UnixSeconds() const override { return seconds; }
    std::int64_t seconds = 0;
};

// An hour and a quarter of a market's figures, one pass a second: counts that grow in
// bursts, a rate with decimals, a link state in words; the gateway's figures stop for eight
// minutes (stale) and the rate reads "n/a" for a while.
void Feed(CGenericStatistics& page, SetClock& clock, std::int64_t start) {
    CGenericStatistics* pages[8] = {&page};
    double orders = 1200;
    double trades = 400;
    std::int64_t stamp = start;
    for (std::int64_t t = start; t <= start + 4500; ++t) {
        clock.seconds = t;
        const bool stopped = t > start + 1800 && t < start + 2580;
        if (!stopped) {
            stamp = t;
            orders += (t / 60) % 3 == 0 ? 9 : 2;
            trades += (t % 7 == 0) ? 3 : 0;
        }
        const bool noRate = t > start + 3300 && t < start + 3420;
        const double rate = 20 + 15 * std::sin(static_cast<double>(t) / 300);
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", rate);
        DispatchStatistics(
            {{1, "Orders", std::to_string(static_cast<long>(orders)), "Nos",
              static_cast<std::uint64_t>(stamp)},
             {1, "Trades", std::to_string(static_cast<long>(trades)), "Nos",
              static_cast<std::uint64_t>(stamp)},
             {1, "Order rate", noRate ? "n/a" : text, "Nos/s", static_cast<std::uint64_t>(stamp)},
             {1, "Host link", "Up", "", static_cast<std::uint64_t>(stamp)}},
            pages);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: statistics_trend_shot FILE.png [--dark] [--row R]... [--span I]\n");
        return 64;
    }
    std::vector<int> rows;
    int span = 1;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dark") == 0) {
            QApplication::setStyle(QStyleFactory::create("Fusion"));
            QApplication::setPalette(DarkPalette());
        } else if (std::strcmp(argv[i], "--row") == 0 && i + 1 < argc) {
            rows.push_back(std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--span") == 0 && i + 1 < argc) {
            span = std::atoi(argv[++i]);
        }
    }
    if (rows.empty()) {
        rows = {0, 1};
    }
    SetClock clock;
    CGenericStatistics page;
    page.SetMarketType(1);
    page.SetClock(clock);
    page.resize(QSize(560, 520) * page.fontMetrics().height() / 16);
    page.show();
    Feed(page, clock, 1796551200);
    page.List()->setFocus();
    for (int row : rows) {
        if (QTreeWidgetItem* item = page.List()->topLevelItem(row)) {
            item->setSelected(true);
        }
    }
    page.TrendPane()->SpanBox()->setCurrentIndex(span);
    page.EndPass();
    QApplication::processEvents();
    if (!page.grab().save(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %dx%d, font height %d\n", argv[1], page.width(), page.height(),
                page.fontMetrics().height());
    return 0;
}
