// Times the log page's filter over a full list, on a shown page (offscreen, 900 x 400): a page
// holding `rows` rows (default 1000000) of varied users, reasons, values and times, then each
// filter text typed into the page's filter field in turn, as a user would type or change it.
// For each text it prints the time until the search is done, the rows kept, and the GUI
// thread's longest stall meanwhile (the longest gap between ticks of a 5 ms timer, painting
// included), and ends with one summary line:
//
//   rows=N slowest_ms=.. slowest_text=".." max_stall_ms=..
//
//   log_filter_bench [rows]

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "views/GenericLogs.h"
#include "views/LogFilterBar.h"
#include "views/LogMessageModel.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setenv("TZ", "Europe/London", 1);
    tzset();
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    CGenericLogs page;
    page.resize(900, 400);
    page.show();
    LogMessageModel& model = page.Model();
    for (long i = 0; i < rows; ++i) {
        model.Add(LogRow{static_cast<std::int32_t>(1772460309 + i * 3),
                         static_cast<std::int32_t>(i % 7 == 0 ? 0 : 1000 + i % 5000),
                         static_cast<std::int32_t>(i % 11 == 0 ? -1 : i % 100000),
                         static_cast<std::uint16_t>(i % 5 == 0 ? 12000 + i % 19 : 11000 + i % 27)});
    }
    model.Flush();
    QApplication::processEvents();
    // Typing a user ID digit by digit, a word of the messages, a date, a text that matches
    // nothing, and clearing in between.
    const char* const texts[] = {
        "4", "42",    "421", "4217", "", "logged", "logged o", "LOGGED ON",   "",      "march 05",
        "",  "14:05", "",    "new",  "", "zzz",    "",         "Queue build", "12001", ""};
    double slowest = 0;
    long longestStall = 0;
    const char* slowestText = "";
    QLineEdit* field = page.FilterBar()->FilterField();
    for (const char* text : texts) {
        QElapsedTimer clock, sinceTick;
        long stall = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, static_cast<long>(sinceTick.elapsed()));
            sinceTick.restart();
        });
        ticker.start(5);
        clock.start();
        sinceTick.start();
        field->setText(QString::fromUtf8(text));
        do {
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        } while (model.Searching());
        QApplication::processEvents();  // the last paint
        stall = std::max(stall, static_cast<long>(sinceTick.elapsed()));
        const double ms = clock.nsecsElapsed() / 1e6;
        std::printf("filter \"%s\": %.1f ms, %d of %zu rows, longest stall %ld ms\n", text, ms,
                    model.RowCount(), model.TotalRows(), stall);
        if (ms > slowest) {
            slowest = ms;
            slowestText = text;
        }
        longestStall = std::max(longestStall, stall);
    }
    std::printf("rows=%ld slowest_ms=%.1f slowest_text=\"%s\" max_stall_ms=%ld\n", rows, slowest,
                slowestText, longestStall);
    return 0;
}
