// What selecting and copying costs on a log page holding many rows: Shift+End from the newest
// row and Ctrl+A (each a selection of every row), then the text of a copy of 100,000 selected
// rows, with the process's anonymous memory before and after selecting them all. One line:
//
//   held=N select_all_ms=.. copy_100k_ms=.. copy_bytes=.. rss_growth_mb_for_selection=..
//
//   log_selection_bench [held]     (default 10000000)

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <cstdio>
#include <string>

#include "ProcessCost.h"
#include "views/GenericLogs.h"
#include "views/LogListView.h"
#include "views/LogMessageModel.h"

namespace {

void Key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &press);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const long held = argc > 1 ? std::stol(argv[1]) : 10000000;
    CGenericLogs page(nullptr, nullptr);
    page.resize(900, 400);
    page.show();
    for (long i = 0; i < held; ++i) {
        page.Model().Add(LogRow{1772460309 + static_cast<std::int64_t>(i),
                                static_cast<std::int32_t>(1000 + i % 500),
                                static_cast<std::int32_t>(i), 11018});
    }
    page.Model().Flush();
    QApplication::processEvents();
    LogListView* list = page.List();
    const double before = RssAnonBytes() / 1e6;

    QElapsedTimer clock;
    clock.start();
    Key(list, Qt::Key_Home);
    Key(list, Qt::Key_End, Qt::ShiftModifier);
    Key(list, Qt::Key_A, Qt::ControlModifier);
    QApplication::processEvents();
    const double selectAll = clock.nsecsElapsed() / 1e6;
    const double after = RssAnonBytes() / 1e6;

    // 100,000 rows: from the 100,000th oldest down to the oldest.
    list->SelectRow(list->Model()->RowCount() - 100000);
    Key(list, Qt::Key_End, Qt::ShiftModifier);
    clock.restart();
    const QString text = list->SelectedRowsText(false);
    const double copy = clock.nsecsElapsed() / 1e6;
    std::printf(
        "held=%ld select_all_ms=%.1f selected=%lld copy_100k_ms=%.1f copy_bytes=%lld "
        "rss_growth_mb_for_selection=%.1f\n",
        held, selectAll, static_cast<long long>(list->Selection().Count()), copy,
        static_cast<long long>(text.size() * 2), after - before);
    return 0;
}
