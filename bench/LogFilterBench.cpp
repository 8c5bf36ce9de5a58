// Times the log page's filter over a full list: a model holding `rows` rows (default
// 1000000) of varied users, reasons, values and times, then each filter text set in turn as
// a user would type or change it. Prints the milliseconds each change took and the rows it
// kept, and ends with one summary line:
//
//   rows=N slowest_ms=.. slowest_text=".."
//
//   log_filter_bench [rows]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include "views/LogMessageModel.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setenv("TZ", "Europe/London", 1);
    tzset();
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    LogMessageModel model;
    for (int i = 0; i < rows; ++i) {
        model.Add(LogRow{1772460309 + i * 3, i % 7 == 0 ? 0 : 1000 + i % 5000,
                         i % 11 == 0 ? -1 : i % 100000,
                         static_cast<std::uint16_t>(i % 5 == 0 ? 12000 + i % 19 : 11000 + i % 27)});
    }
    model.Flush();
    // Typing a user ID digit by digit, a word of the messages, a date, a text that matches
    // nothing, and clearing in between.
    const char* const texts[] = {
        "4", "42",    "421", "4217", "", "logged", "logged o", "LOGGED ON",   "",      "march 05",
        "",  "14:05", "",    "new",  "", "zzz",    "",         "Queue build", "12001", ""};
    double slowest = 0;
    const char* slowestText = "";
    for (const char* text : texts) {
        QElapsedTimer timer;
        timer.start();
        model.SetFilter(QString::fromUtf8(text));
        const double ms = timer.nsecsElapsed() / 1e6;
        std::printf("filter \"%s\": %.1f ms, %d of %zu rows\n", text, ms, model.RowCount(),
                    model.TotalRows());
        if (ms > slowest) {
            slowest = ms;
            slowestText = text;
        }
    }
    std::printf("rows=%d slowest_ms=%.1f slowest_text=\"%s\"\n", rows, slowest, slowestText);
    return 0;
}
