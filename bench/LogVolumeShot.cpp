// A picture of a log page's volume strip over two hours of rows of every kind, with a filter's
// matches drawn over it, and of each gateway's day, to look at both at the screen's font,
// scale and palette (offscreen unless QT_QPA_PLATFORM names another platform):
//   log_volume_shot FILE.png [--dark]

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>

#include "DarkPalette.h"
#include "core/GatewayDay.h"
#include "core/MarketType.h"
#include "views/GatewayDayStrip.h"
#include "views/GenericLogs.h"
#include "views/LogFilterBar.h"
#include "views/LogMessageModel.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: log_volume_shot FILE.png [--dark]\n");
        return 64;
    }
    if (argc > 2 && std::strcmp(argv[2], "--dark") == 0) {
        QApplication::setPalette(DarkPalette());
    }
    const std::int64_t now = QDateTime::currentSecsSinceEpoch();
    const std::int64_t start = now - 2 * 3600;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* page = new CGenericLogs(nullptr, &window);
    static const std::uint16_t kCodes[] = {11018, 11011, 12001, 12014, 13001, 10};
    for (std::int64_t t = start, i = 0; t < now; t += 7, ++i) {
        const int burst = (t - start) % 1800 < 300 ? 6 : 1;  // a busy spell each half hour
        for (int k = 0; k < burst; ++k) {
            page->Model().Add(LogRow{static_cast<std::int32_t>(t), 1000 + static_cast<int>(i % 7),
                                     k, kCodes[(i + k) % 6]});
        }
    }
    page->Model().Flush();
    page->FilterBar()->FilterField()->setText("queue");
    page->Model().FinishSearch();
    GatewayDay day({}, "20261207");
    const std::int64_t midnight = now - now % 86400;
    day.Record(0, GatewayDay::kWatchStarted, midnight + 6 * 3600, day.Date());
    for (int market : {FO, MF}) {
        day.Record(market, GatewayDay::kRunning, midnight + 6 * 3600 + 60, day.Date());
        day.Record(market, GatewayDay::kConnected, midnight + 6 * 3600 + 62, day.Date());
    }
    day.Record(FO, GatewayDay::kStopped, midnight + 9 * 3600, day.Date());
    day.Record(FO, GatewayDay::kDisconnected, midnight + 9 * 3600, day.Date());
    day.Record(FO, GatewayDay::kRunning, midnight + 10 * 3600, day.Date());
    auto* strip = new GatewayDayStrip(day, {CM, FO, MF}, &window);
    strip->SetSpan(midnight, midnight + 16 * 3600);
    layout->addWidget(strip);
    layout->addWidget(page, 1);
    window.resize(900, 520);
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(argv[1])) {
        std::fprintf(stderr, "log_volume_shot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
