// How often the log list's scroll bar repaints while rows arrive: a QuietScrollBar and a
// plain QScrollBar side by side take the same ranges, one new row at a time, with a paint
// flush after each, as the list's batches give them. A repaint of the bar is what the idle
// cost paid per row before the quiet bar (its groove is filled on Qt's thread pool).
//
//   scroll_bar_repaint_bench [rows]   (default 2000; offscreen without a display)
//
// Last line: rows=.. quiet_paints=.. plain_paints=..
#include <QApplication>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>

#include "views/QuietScrollBar.h"

namespace {

struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 2000;
    QWidget window;
    auto* quiet = new QuietScrollBar(Qt::Vertical, &window);
    auto* plain = new QScrollBar(Qt::Vertical, &window);
    quiet->setGeometry(0, 0, 16, 300);
    plain->setGeometry(20, 0, 16, 300);
    // Widgets marked for repainting are painted together: once the sentinel has been painted
    // after a change, so has every bar that the change marked.
    auto* sentinel = new QWidget(&window);
    sentinel->setGeometry(40, 0, 10, 10);
    PaintCounter quietPaints, plainPaints, sentinelPaints;
    quiet->installEventFilter(&quietPaints);
    plain->installEventFilter(&plainPaints);
    sentinel->installEventFilter(&sentinelPaints);
    window.show();
    QCoreApplication::processEvents();
    const int quietStart = quietPaints.count, plainStart = plainPaints.count;
    for (int row = 1; row <= rows; ++row) {
        for (QScrollBar* bar : {static_cast<QScrollBar*>(quiet), plain}) {
            bar->setPageStep(20);
            bar->setRange(0, row);
        }
        const int before = sentinelPaints.count;
        sentinel->update();  // the flush a batch of rows ends with
        for (int turn = 0; turn < 1000 && sentinelPaints.count == before; ++turn) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    std::printf("rows=%d quiet_paints=%d plain_paints=%d\n", rows, quietPaints.count - quietStart,
                plainPaints.count - plainStart);
    return 0;
}
