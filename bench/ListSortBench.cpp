// The cost of a column-header click on a report list (FIX users, active users): the exchange
// sort's order on a real, shown QTreeWidget of N rows, written back once, on the GUI thread.
//
//   list_sort_bench [rows...]   (default 2000 10000; offscreen without a display)
//
// One line per size, a column each: distinct user IDs as numbers, branch IDs 1..999 as
// numbers, a login state (four texts) as text, and user IDs with one in ten unreadable, each
// the median of five clicks: rows=.. users_ms=.. branches_ms=.. states_ms=.. unreadable_ms=..
// list_sort_bench_plain is the same with the sort's scan one key at a time instead of SSE2.
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>

#include "views/ReportList.h"

namespace {

// Milliseconds to sort the list by column 0, once each way.
double SortMs(QTreeWidget& list, int type) {
    TreeRows rows(&list);
    QElapsedTimer timer;
    timer.start();
    SortListByColumn(rows, 0, kAscending, type);
    SortListByColumn(rows, 0, kDescending, type);
    QCoreApplication::processEvents();  // the repaint the new order asks for
    return timer.nsecsElapsed() / 2e6;
}

enum class Column { Users, Branches, States, Unreadable };

void Fill(QTreeWidget& list, int count, Column column, std::mt19937& random) {
    static const char* const states[] = {"Logged on.", "Logged Off.", "Logon in progress.",
                                         "Logoff in progress."};
    list.clear();
    for (int row = 0; row < count; ++row) {
        QString text = QString::number(100000 + row * 7);  // distinct, as user IDs are
        if (column == Column::Branches) {
            text = QString::number(1 + random() % 999);
        } else if (column == Column::States) {
            text = states[random() % 4];
        } else if (column == Column::Unreadable && random() % 10 == 0) {
            text = "-";
        }
        new QTreeWidgetItem(&list, {text, QString::number(row)});
    }
    // As a list arrives: in no particular order.
    TreeRows rows(&list);
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    rows.Arrange(order);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {2000, 10000};
    }
    std::mt19937 random(7);
    QTreeWidget list;
    list.setColumnCount(2);
    list.resize(300, 400);
    list.show();
    for (int count : sizes) {
        // The median of five clicks, each on a list shuffled anew: one click is at the mercy
        // of whatever else the machine does.
        const auto time = [&](Column column, int type) {
            std::vector<double> ms;
            for (int run = 0; run < 5; ++run) {
                Fill(list, count, column, random);
                ms.push_back(SortMs(list, type));
            }
            std::nth_element(ms.begin(), ms.begin() + 2, ms.end());
            return ms[2];
        };
        const double users = time(Column::Users, kSortAsNumber);
        const double branches = time(Column::Branches, kSortAsNumber);
        const double states = time(Column::States, kSortAsText);
        const double unreadable = time(Column::Unreadable, kSortAsNumber);
        std::printf("rows=%d users_ms=%.1f branches_ms=%.1f states_ms=%.1f unreadable_ms=%.1f\n",
                    count, users, branches, states, unreadable);
    }
    return 0;
}
