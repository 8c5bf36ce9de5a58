// A market's log page fed by a gateway over loopback: the version check, the rows, the filter,
// the count, copying and exporting.
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>

#include "GatewayMessages.h"
#include "core/GatewayProcess.h"
#include "core/InstalledMarkets.h"
#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "link/ZEVOHelper.h"
#include "platform/ProcessExit.h"
#include "support/LogPage.h"
#include "support/LogRows.h"
#include "support/LoopbackGateway.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"
#include "views/ControlIds.h"
#include "views/GenericLogs.h"
#include "views/LogFilterBar.h"
#include "views/LogListView.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"

using namespace testing_support;
using gateway::LogMessage;
using gateway::VersionMessage;

namespace {

// Whether a page's count says its filter is still looking, as in "12 of 3000000, 40% searched".
bool CountSaysSearching(const CGenericLogs& view) {
    return view.FilterBar()->CountLabel()->text().endsWith("% searched");
}

// The MF gateway's version, then the five messages the filter tests start from, oldest first
// (times in UTC).
const std::vector<gateway::Bytes> kFive = {
    VersionMessage(30107),
    LogMessage(false, 1772460309, 1001, 11018, -1),  // Mon 02 Mar 2026 14:05:09
    LogMessage(false, 1772460310, 2002, 12001, 42),
    LogMessage(false, 1772546710, 0, 11011, 7),  // Tue 03 Mar 2026 14:05:10
    LogMessage(false, 1772546711, -1, 13001, 1001),
    LogMessage(false, 1772546712, 3003, 11018, 0),
};

}  // namespace

class LogPageTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { TrustOwnGateways(); }
    void init() {
        FO_USERID_INCREASE_FLAG = IPO_USERID_INCREASE_FLAG = SLBM_USERID_INCREASE_FLAG = 0;
    }
    void cleanup() { init(); }

    void versionUnlocksRowsAndWidensFoUserIds() {
        // Before the version: dropped. FO at release 409 then carries 32-bit user IDs.
        Page page(FO, "fo");
        QVERIFY(page.Receive({LogMessage(false, 1772460309, 9, 11018, 1), VersionMessage(40902),
                              LogMessage(true, 1772460309, 70000, 12014, -1),
                              LogMessage(true, 1772460310, 0, 11018, 0)},
                             2));
        QCOMPARE(page.Rows(),
                 (QStringList{"NEW / Monday, March 02, 2026, 14:05:10 / "
                              "The user successfully logged on to the trading host / 0",
                              "70000 / Monday, March 02, 2026, 14:05:09 / "
                              "No description for reason code [12014] / "}));
        QCOMPARE(page.view.List()->Header()->model()->headerData(2, Qt::Horizontal).toString(),
                 QString("Message"));
        QCOMPARE(page.Version(1), QString("40902"));
        QCOMPARE(page.Version(0), QString(""));
        QCOMPARE(page.log.CountLine("EVENT|Received market version is "
                                    "40902|GenericLogs.cpp|CGenericLogs::RouteMessage"),
                 1u);
        QCOMPARE(
            page.log.CountLine(
                "ACTIVITY|FO_USERID_INCREASE_FLAG = TRUE|GenericLogs.cpp|CGenericLogs::compatible"),
            1u);
    }

    void invalidVersionEndsTheProgramWith200() {
        RecordingBoxes boxes;
        int exitCode = -1;
        platform::InstallExitSeam([&](int code) { exitCode = code; });
        Page page(CM, "CM");
        QVERIFY(page.Send({VersionMessage(10202), LogMessage(true, 0, 5, 11018, 0)}));
        QVERIFY(PumpUntil([&] { return exitCode != -1; }));
        platform::InstallExitSeam(nullptr);
        QCOMPARE(exitCode, 200);
        QCOMPARE(boxes.shown,
                 (std::vector<std::string>{
                     "Invalid version: QEL Setup Error.. Version 10202 is invalid for market CM"}));
        QCOMPARE(
            page.log.CountLine(
                "ACTIVITY|QEL Setup Error.. Version 10202 is invalid for market CM|GenericLogs.cpp|"
                "CGenericLogs::RouteMessage"),
            1u);
        QCOMPARE(page.Version(1), QString(""));
    }

    void onlyLogMessagesAddRowsAndANewConnectionEmptiesTheList() {
        gateway::Bytes other = LogMessage(false, 0, 9, 12001, 0);
        WriteU16(other.data() + 20, 10003);
        Page page;
        QVERIFY(page.Receive({VersionMessage(30107), other, LogMessage(false, 0, 1, 12001, 0),
                              LogMessage(false, 0, 2, 12002, 0)},
                             2));
        QVERIFY(page.Rows()[0].startsWith("2 / "));
        QVERIFY(page.Rows()[1].startsWith("1 / "));
        // The page says what became of its connection, and that a new one emptied the list.
        const QRegularExpression time("\\d\\d:\\d\\d:\\d\\d");
        const auto says = [&](const QString& pattern) {
            const QString text = page.view.ConnectionState();
            return QRegularExpression("^" + QString(pattern).replace("TIME", time.pattern()) + "$")
                .match(text)
                .hasMatch();
        };
        QVERIFY(says("Connected TIME"));
        page.gateway.Close();
        QVERIFY(PumpUntil([&] { return says("Connection lost TIME - next attempt at TIME"); }));
        page.view.SetGatewayRunning(false);
        QVERIFY(says("Not connected - waiting for the gateway to run"));
        // The gateway restarts: the status monitor connects again, with no version message.
        page.view.Session()->Transport().CloseConnection();
        page.Connect();
        QVERIFY(PumpUntil([&] { return says("Connected TIME - earlier rows were cleared"); }));
        QVERIFY(page.Receive({LogMessage(false, 0, 3, 12003, 0)}, 1));
        QVERIFY(page.Rows()[0].startsWith("3 / "));
        QVERIFY(page.Rows()[0].endsWith(
            " / QEL did not receive logon response from the trading host / 0"));
    }

    // A port held by a process of another account than the gateways' is not the gateway's:
    // nothing from it is shown, the page says who holds the port, and it tries again.
    void aPortHeldByAnotherAccountIsNotUsedAndThePageSaysWho() {
        InstalledMarkets table;
        table.gateway_account = geteuid() == 65534 ? "root" : "nobody";
        RecordInstallation(table);
        Page page;
        const auto* state = page.view.findChild<QLabel*>(control_id::kConnectionState);
        const std::string said = "port " + page.gateway.Port() + " is held by a process of uid " +
                                 std::to_string(geteuid()) + ", not the gateway's account";
        QVERIFY(PumpUntil([&] { return state->text().startsWith("port "); }));
        QVERIFY2(state->text().startsWith(QString::fromStdString(said) + " - next attempt at "),
                 qPrintable(state->text()));
        QCOMPARE(page.log.CountLine("EVENT|" + said + "|ZEVOHelper.cpp|CZEVOHelper::Process"), 1);
        page.Send(kFive);
        QVERIFY(!PumpUntil([&] { return !page.Rows().isEmpty(); }, std::chrono::milliseconds(300)));
        QVERIFY(page.Version(1).isEmpty());
        // Once the port is the gateways' account's, the next attempt is connected as usual.
        TrustOwnGateways();
        QVERIFY(PumpUntil([&] { return state->text().startsWith("Connected "); }));
        QVERIFY(page.gateway.Accept());
        QVERIFY(page.Receive(kFive, 5));
    }

    void rowsOverManyStoreBlocksKeepEveryField() {
        LogMessageModel model;
        constexpr int kRows = 10000;  // a little over two blocks of the row store
        for (int i = 0; i < kRows; ++i) {
            model.Add(LogRow{1772460309 + i, i + 1, -i,
                             static_cast<std::uint16_t>(i % 2 ? 12002 : 11009)});
        }
        model.Flush();
        QCOMPARE(model.RowCount(), kRows);
        const QStringList rows = LogRows(model);
        const auto cells = [&](int row) { return rows[row].split(" / "); };
        // Newest on top: model row r holds the message received as number kRows - 1 - r.
        for (int received : {kRows - 1, 8192, 8191, 4097, 4096, 4095, 1, 0}) {
            const QStringList row = cells(kRows - 1 - received);
            QCOMPARE(row[0], QString::number(received + 1));
            QCOMPARE(row[3], received == 1 ? QString() : QString::number(-received));
            QCOMPARE(row[2],
                     QString::fromStdString(GetReasonDescription(received % 2 ? 12002 : 11009)));
        }
        QCOMPARE(cells(kRows - 1)[1], QString("Monday, March 02, 2026, 14:05:09"));
    }

    void typedTextKeepsRowsWithACellThatHoldsItIgnoringCaseAsTheyArrive() {
        Page page;
        QVERIFY(page.Receive(kFive, 5));
        const QStringList all = page.Rows();
        QCOMPARE(page.Count(), QString("5 of 5"));

        QTest::keyClicks(page.Field(), "LOGGED ON");  // the message, in another case
        QCOMPARE(page.Rows(),
                 (QStringList{"3003 / Tuesday, March 03, 2026, 14:05:12 / The user successfully "
                              "logged on to the trading host / 0",
                              "1001 / Monday, March 02, 2026, 14:05:09 / The user successfully "
                              "logged on to the trading host / "}));
        QCOMPARE(page.Count(), QString("2 of 5"));

        // The rows kept, and the start of the first and the last of them.
        const std::tuple<const char*, const char*, const char*, const char*> filters[] = {
            {"1001", "2 of 5", " / Tuesday, March 03, 2026, 14:05:11 / ", "1001 / "},  // a reason
            {"new", "1 of 5", "NEW / ", "NEW / "},  // user ID 0 shows as NEW
            {"monday, march 02", "2 of 5", "2002 / Monday", "1001 / Monday"},  // the time
            {"14:05:10", "2 of 5", "NEW / Tuesday", "2002 / Monday"},
            {"\"message length\"", "1 of 5", "NEW / ", "NEW / "},  // quotes of a message
            {"nothing has this", "0 of 5", nullptr, nullptr},
        };
        for (const auto& [text, count, first, last] : filters) {
            page.Field()->setText(text);
            QCOMPARE(page.Count(), QString(count));
            QVERIFY2(
                first ? page.Rows().first().startsWith(first) && page.Rows().last().startsWith(last)
                      : page.Rows().isEmpty(),
                text);
        }

        page.Field()->clear();
        QCOMPARE(page.Rows(), all);
        QCOMPARE(page.Count(), QString("5 of 5"));

        // New rows that match arrive on top while filtered.
        page.Field()->setText("logged on");
        QVERIFY(page.Send({LogMessage(false, 1772546800, 4004, 12002, 5),
                           LogMessage(false, 1772546801, 5005, 11018, 6)}));
        QVERIFY(PumpUntil([&] { return page.Count() == "3 of 7"; }));
        QVERIFY(page.Rows()[0].startsWith("5005 / "));
        QVERIFY(page.Rows()[1].startsWith("3003 / "));
        // A new connection empties the list; the filter stays and applies to what comes.
        page.view.OnConnectionEstablished();
        QCOMPARE(page.Count(), QString("0 of 0"));
        QVERIFY(page.Send({LogMessage(false, 1772546900, 6006, 11018, 6),
                           LogMessage(false, 1772546901, 7007, 12002, 6)}));
        QVERIFY(PumpUntil([&] { return page.Count() == "1 of 2"; }));
        QVERIFY(page.Rows()[0].startsWith("6006 / "));
    }

    void ctrlFAndEscapeServeTheFilterAndCtrlCCopiesTheSelectedRows() {
        Page page;
        QVERIFY(page.Receive(kFive, 5));
        page.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&page.view));
        page.view.List()->setFocus();
        QTest::keySequence(&page.view, QKeySequence::Find);
        QVERIFY(page.Field()->hasFocus());
        QTest::keyClicks(page.Field(), "2002");
        QCOMPARE(page.Count(), QString("1 of 5"));
        QTest::keyClick(page.Field(), Qt::Key_Escape);
        QCOMPARE(page.Field()->text(), QString());
        QCOMPARE(page.Count(), QString("5 of 5"));
        // Escape in the list empties it too.
        page.Field()->setText("2002");
        QTest::keyClick(page.view.List(), Qt::Key_Escape);
        QCOMPARE(page.Count(), QString("5 of 5"));

        // One row is selected at a time; Ctrl+C copies it. The arrows, Home, End and a click
        // choose it.
        page.Field()->setText("logged");
        LogListView* list = page.view.List();
        list->setFocus();
        const auto copied = [&] {
            QApplication::clipboard()->clear();
            QTest::keySequence(list, QKeySequence::Copy);
            return QApplication::clipboard()->text();
        };
        QCOMPARE(copied(), QString());
        const QString newest =
            "3003\tTuesday, March 03, 2026, 14:05:12\tThe user successfully "
            "logged on to the trading host\t0\n";
        const QString oldest =
            "1001\tMonday, March 02, 2026, 14:05:09\tThe user successfully "
            "logged on to the trading host\t\n";
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(copied(), newest);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(copied(), oldest);
        QTest::keyClick(list, Qt::Key_Down);  // stays on the last row
        QCOMPARE(copied(), oldest);
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(copied(), newest);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(copied(), oldest);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(copied(), newest);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(10, list->RowHeight() + list->RowHeight() / 2));
        QCOMPARE(copied(), oldest);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(copied(), newest);
    }

    void theListFollowsAtTheTopAndHoldsStillElsewhere() {
        Page page;
        std::vector<gateway::Bytes> messages = {VersionMessage(30107)};
        for (int i = 0; i < 200; ++i) {
            messages.push_back(LogMessage(false, 1772460309 + i, 1000 + i, 11018, i));
        }
        QVERIFY(page.Receive(messages, 200));
        page.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page.view));
        LogListView* list = page.view.List();
        const int inSight = list->RowsInSight();
        QVERIFY(inSight > 3 && inSight < 100);
        auto arrive = [&, next = 7000]() mutable {
            const int rows = page.Rows().size();
            return page.Receive({LogMessage(false, 1772470000, ++next, 11018, 0),
                                 LogMessage(false, 1772470001, ++next, 11018, 0)},
                                rows + 2);
        };
        // At the top, with no row picked, the newest rows come into sight.
        QVERIFY(arrive());
        QCOMPARE(list->TopRow(), 0);
        QVERIFY(page.Rows()[0].startsWith("7002 / "));
        QVERIFY(list->NewRowsBar()->isHidden());

        list->setFocus();
        QTest::keyClick(list, Qt::Key_PageDown);  // from no selection: the first row in sight
        QTest::keyClick(list, Qt::Key_PageDown);
        QCOMPARE(list->SelectedRow(), 2 * inSight);
        QCOMPARE(list->TopRow(), inSight + 1);  // the selected row is the last one in sight
        const QStringList inView = page.Rows().mid(list->TopRow(), inSight);
        const QString selected = page.Rows()[list->SelectedRow()];

        // Rows arrive above: the rows in sight, the selected one with them, stay where they
        // are on screen, and the bar counts what arrived.
        QVERIFY(arrive());
        QVERIFY(arrive());
        QCOMPARE(list->TopRow(), inSight + 5);
        QCOMPARE(page.Rows().mid(list->TopRow(), inSight), inView);
        QCOMPARE(page.Rows()[list->SelectedRow()], selected);
        QCOMPARE(list->SelectedRow() - list->TopRow(), inSight - 1);
        QCOMPARE(page.Count(), QString("206 of 206"));
        QCOMPARE(list->NewRowsBar()->text(), QString("4 new rows - Home to see them"));
        QVERIFY(list->NewRowsBar()->isVisible());
        // A row picked at the top holds the list still too: the same click picks the same row.
        list->ShowNewest();
        QVERIFY(list->NewRowsBar()->isHidden());
        const QPoint second(10, list->RowHeight() + list->RowHeight() / 2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        const QString clicked = page.Rows()[list->SelectedRow()];
        QVERIFY(arrive());
        QCOMPARE(page.Rows()[list->RowAt(second.y())], clicked);
        QCOMPARE(list->NewRowsBar()->text(), QString("2 new rows - Home to see them"));
        // Home shows the newest rows and follows them again.
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(list->TopRow(), 0);
        QVERIFY(list->NewRowsBar()->isHidden());
        QVERIFY(arrive());
        QCOMPARE(list->TopRow(), 0);

        // A filter keeps the selected row when it shows it, at its place on screen; emptying
        // the filter keeps it again, amid its neighbours.
        QTest::keyClick(list, Qt::Key_PageDown);
        QTest::keyClick(list, Qt::Key_PageDown);
        const QString picked = page.Rows()[list->SelectedRow()];
        const int offset = list->SelectedRow() - list->TopRow();
        const QString user = picked.section(" / ", 0, 0);
        page.Field()->setText(user);
        QCOMPARE(page.Rows()[list->SelectedRow()], picked);
        QTest::keyClick(page.Field(), Qt::Key_Escape);
        QCOMPARE(page.Field()->text(), QString());
        QCOMPARE(page.Rows()[list->SelectedRow()], picked);
        QCOMPARE(list->SelectedRow() - list->TopRow(), offset);
        // A filter that does not show it starts from the top, with nothing selected.
        page.Field()->setText("7002");
        QCOMPARE(list->SelectedRow(), -1);
        QCOMPARE(list->TopRow(), 0);
        QCOMPARE(page.Rows().size(), 1);
    }

    // Shift and Ctrl with the arrows and the mouse select several rows, Ctrl+A all shown;
    // Ctrl+C and the context menu copy them; a cut cell shows its whole text as a tooltip; the
    // Message column takes the free width and a double-click on a divider fits its column.
    void rowsAreSelectedCopiedAndReadInPlace() {
        Page page;
        QVERIFY(page.Receive(kFive, 5));
        page.view.resize(1400, 400);
        page.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&page.view));
        LogListView* list = page.view.List();
        list->setFocus();
        const auto copied = [&](const std::function<void()>& copy) {
            QApplication::clipboard()->clear();
            copy();
            return QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
        };
        const auto ctrlC = [&] { QTest::keySequence(list, QKeySequence::Copy); };
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QStringList lines = copied(ctrlC);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("3003\t"));
        QVERIFY(lines[2].startsWith("NEW\t"));  // user ID 0
        const int row = list->RowHeight();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          {10, row / 2 + 4 * row});
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          {10, row / 2 + row});
        lines = copied(ctrlC);
        QCOMPARE(lines.size(), 3);  // rows 0, 2 and 4
        QVERIFY(lines[1].startsWith("NEW\t") && lines[2].startsWith("1001\t"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          {10, row / 2 + 4 * row});
        QCOMPARE(list->Selection().Count(), 4);  // from the last click (row 1) down to row 4
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, {10, row / 2});
        QCOMPARE(list->Selection().Count(), 1);
        QTest::keySequence(list, QKeySequence::SelectAll);
        QCOMPARE(list->Selection().Count(), 5);
        // Ctrl+A takes the rows the filter shows.
        page.Field()->setText("logged");
        list->setFocus();
        QTest::keySequence(list, QKeySequence::SelectAll);
        QCOMPARE(copied(ctrlC).size(), 2);

        QMenu* menu = page.view.FilterBar()->ContextMenu({10, row / 2});
        QStringList items;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                items << action->text();
            }
        }
        QCOMPARE(items, (QStringList{"&Copy", "Copy with column &headers",
                                     "E&xport selected rows...", "&Filter by this user ID"}));
        lines = copied([&] { menu->actions()[1]->trigger(); });
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QString("User ID\tTime\tMessage\tReason"));
        menu->actions().last()->trigger();
        QCOMPARE(page.Field()->text(), QString("3003"));
        delete menu;

        // The Message column reaches the right edge; a tooltip shows a cut cell whole.
        QHeaderView* header = list->Header();
        QCOMPARE(header->length(), list->viewport()->width());
        list->setColumnWidth(2, 60);
        QCOMPARE(list->columnWidth(2), list->viewport()->width() - list->columnWidth(0) -
                                           list->columnWidth(1) - list->columnWidth(3));
        list->setColumnWidth(1, 40);
        const QPoint time(header->sectionViewportPosition(1) + 5, row / 2);
        QHelpEvent help(QEvent::ToolTip, time, list->viewport()->mapToGlobal(time));
        QApplication::sendEvent(list->viewport(), &help);
        QCOMPARE(QToolTip::text(), QString("Tuesday, March 03, 2026, 14:05:12"));
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                           {header->sectionViewportPosition(2) - 1, header->height() / 2});
        QVERIFY(list->columnWidth(1) >=
                list->fontMetrics().horizontalAdvance("Tuesday, March 03, 2026, 14:05:12"));
    }

    // Screen readers read the rows in sight as a table: its name, headers, cells, selection,
    // and the focus on the current row.
    void screenReadersReadTheRowsInSightAsATable() {
        Page page;
        QVERIFY(page.Receive(kFive, 5));
        page.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&page.view));
        LogListView* list = page.view.List();
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->text(QAccessible::Name), QString("Log messages"));
        QCOMPARE(QAccessible::queryAccessibleInterface(page.Field())->text(QAccessible::Name),
                 QString("Filter log messages"));
        QAccessibleTableInterface* cells = table->tableInterface();
        QCOMPARE(cells->rowCount(), 5);
        QCOMPARE(cells->columnCount(), 4);
        QCOMPARE(table->childCount(), 24);
        QCOMPARE(table->child(2)->role(), QAccessible::ColumnHeader);
        QCOMPARE(table->child(2)->text(QAccessible::Name), QString("Message"));
        QCOMPARE(cells->cellAt(0, 0)->text(QAccessible::Name), QString("3003"));
        QCOMPARE(cells->cellAt(4, 1)->text(QAccessible::Name),
                 QString("Monday, March 02, 2026, 14:05:09"));
        QCOMPARE(table->indexOfChild(cells->cellAt(1, 3)), 11);
        QCOMPARE(cells->cellAt(0, 0)->tableCellInterface()->columnHeaderCells().front()->text(
                     QAccessible::Name),
                 QString("User ID"));

        // Tab goes from the filter to the list, then to Export.
        page.Field()->setFocus();
        QTest::keyClick(page.Field(), Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        QTest::keyClick(list, Qt::Key_Tab);
        QVERIFY(page.view.FilterBar()->ExportButton()->hasFocus());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(cells->selectedRows(), (QList<int>{0, 1}));
        QVERIFY(cells->cellAt(1, 2)->state().selected);
        QVERIFY(cells->cellAt(1, 0)->state().focused);
        QCOMPARE(table->focusChild(), cells->cellAt(1, 0));
        // New rows on top change what is in sight: the cells are asked for again.
        list->ShowNewest();
        QVERIFY(page.Receive({LogMessage(false, 1772546713, 4004, 11018, 0)}, 6));
        QCOMPARE(cells->rowCount(), 6);
        QCOMPARE(table->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), QString("4004"));
    }

    void rowsKeptInTheCacheFileShowAsTheyArrivedAndABadFolderIsLoggedOnce() {
        TempDir dir;
        WriteFile(dir.File("file"), "");
        for (const std::string& folder : {dir.File("cache"), dir.File("file/cache")}) {
            Page page;
            page.view.Model().Store().SetSpill(folder, LogRowStore::kBlockRows);
            std::vector<gateway::Bytes> messages = {VersionMessage(30107)};
            constexpr int kRows = 3 * LogRowStore::kBlockRows + 5;
            for (int i = 0; i < kRows; ++i) {
                messages.push_back(LogMessage(false, 1772460309 + i, i + 1, 11018, i));
            }
            QVERIFY(page.Receive(messages, kRows));
            const bool spills = folder == dir.File("cache");
            QCOMPARE(page.view.Model().Store().SpilledRows(),
                     spills ? 3 * LogRowStore::kBlockRows : 0u);
            const QStringList rows = page.Rows();
            for (int received : {0, 4095, 4096, 8191, 8192, 12287, kRows - 1}) {
                QVERIFY2(
                    rows[kRows - 1 - received].startsWith(QString::number(received + 1) + " / "),
                    qPrintable(rows[kRows - 1 - received]));
                QVERIFY(rows[kRows - 1 - received].endsWith(" / " + QString::number(received)));
            }
            // The export reads the same rows, from the file and from memory.
            const std::string csv = dir.File("rows.csv");
            QVERIFY(page.view.FilterBar()->ExportTo(QString::fromStdString(csv)));
            const std::vector<std::string> lines = ReadLines(csv);
            QCOMPARE(lines.size(), std::size_t{kRows + 1});
            for (int received : {0, 4095, 4096, kRows - 1}) {
                QVERIFY(QString::fromStdString(lines[kRows - received])
                            .startsWith(QString::number(received + 1) + ","));
            }
            QCOMPARE(page.log.CountLine("ACTIVITY|Log rows of market MF stay in memory: the "
                                        "cache folder cannot take them (" +
                                        folder +
                                        ": Not a directory)|GenericLogs.cpp|"
                                        "CGenericLogs::RouteMessage"),
                     spills ? 0u : 1u);
        }
    }

    void aLongListIsFilteredInSlicesShowingTheNewestMatchesFirst() {
        CGenericLogs view;
        view.resize(900, 400);
        view.show();
        LogMessageModel& model = view.Model();
        TempDir dir;
        model.Store().SetSpill(dir.File("cache"), 1 << 18);
        // User IDs 0..N-1 at the start of 1970 with a reason whose sentence has no digit:
        // "4217" is found in the user ID alone.
        constexpr int kRows = 3000000;
        std::vector<int> matching;  // newest first
        for (int i = 0; i < kRows; ++i) {
            model.Add(LogRow{0, i, -1, 11018});
        }
        for (int i = kRows - 1; i > 0; --i) {
            if (std::to_string(i).find("4217") != std::string::npos) {
                matching.push_back(i);
            }
        }
        model.Flush();
        const auto userIds = [&] {
            std::vector<int> ids;
            for (int row = 0; row < model.RowCount(); ++row) {
                ids.push_back(model.Row(row).userId);
            }
            return ids;
        };
        view.FilterBar()->FilterField()->setText("4217");
        // The first slice has run: the newest matches show, the rest is still looked for.
        QVERIFY(model.Searching());
        QVERIFY(!view.FilterBar()->ExportButton()->isEnabled());
        QVERIFY(CountSaysSearching(view));
        const std::vector<int> first = userIds();
        QVERIFY(std::equal(first.begin(), first.end(), matching.begin()));
        QVERIFY(PumpUntil([&] { return !model.Searching(); }, std::chrono::seconds(20)));
        QCOMPARE(userIds(), matching);
        QCOMPARE(view.FilterBar()->CountLabel()->text(),
                 QString("%1 of %2").arg(matching.size()).arg(kRows));
        QVERIFY(view.FilterBar()->ExportButton()->isEnabled());
        // A longer text looks only at what the last one kept.
        view.FilterBar()->FilterField()->setText("42170");
        QVERIFY(PumpUntil([&] { return !model.Searching(); }));
        std::vector<int> narrower;
        std::copy_if(matching.begin(), matching.end(), std::back_inserter(narrower),
                     [](int id) { return std::to_string(id).find("42170") != std::string::npos; });
        QCOMPARE(userIds(), narrower);
    }

    void exportWritesTheRowsShownAsCsvWithAHeader() {
        Page page;
        QVERIFY(page.Receive(kFive, 5));
        TempDir dir;
        const QString path = QString::fromStdString(dir.File("all.csv"));
        page.view.FilterBar()->SetFileChooser([&] { return path; });
        QTest::mouseClick(page.view.findChild<QPushButton*>("logExport"), Qt::LeftButton);
        // RFC 4180: a field with a comma or a double quote is quoted, its quotes doubled.
        const std::string header = "User ID,Time,Message,Reason\r\n";
        const std::string logon = "The user successfully logged on to the trading host";
        QCOMPARE(ReadFile(path.toStdString()),
                 header + "3003,\"Tuesday, March 03, 2026, 14:05:12\"," + logon + ",0\r\n" +
                     ",\"Tuesday, March 03, 2026, 14:05:11\",Communication queue build up "
                     "detected inside QEL. System in abnormal condition,1001\r\n"
                     "NEW,\"Tuesday, March 03, 2026, 14:05:10\",\"Disconnected the user as "
                     "contents of the \"\"message length\"\" field of the received message are "
                     "invalid\",7\r\n"
                     "2002,\"Monday, March 02, 2026, 14:05:10\",QEL failed to login to the "
                     "trading host.,42\r\n"
                     "1001,\"Monday, March 02, 2026, 14:05:09\"," +
                     logon + ",\r\n");

        // Filtered: only the rows shown. A cancelled choice writes nothing.
        page.Field()->setText("2002");
        const QString filtered = QString::fromStdString(dir.File("filtered.csv"));
        page.view.FilterBar()->SetFileChooser([&] { return filtered; });
        QTest::mouseClick(page.view.findChild<QPushButton*>("logExport"), Qt::LeftButton);
        QCOMPARE(ReadFile(filtered.toStdString()),
                 header +
                     "2002,\"Monday, March 02, 2026, 14:05:10\",QEL failed to login to the "
                     "trading host.,42\r\n");
        page.view.FilterBar()->SetFileChooser([] { return QString(); });
        QTest::mouseClick(page.view.findChild<QPushButton*>("logExport"), Qt::LeftButton);
        QCOMPARE(ListDir(dir.path()), (std::vector<std::string>{"all.csv", "filtered.csv"}));
    }

    // A large export goes on in the background: its progress and Cancel show in the page,
    // rows keep arriving meanwhile (and are not in it); a cancelled one leaves no file.
    void aLargeExportRunsInTheBackgroundAndCancellingLeavesNoFile() {
        CGenericLogs view;
        for (int i = 0; i < 100000; ++i) {
            view.Model().Add(LogRow{1772460309 + i, i, i, 11018});
        }
        view.Model().Flush();
        TempDir dir;
        const std::string path = dir.File("large.csv");
        LogFilterBar* bar = view.FilterBar();
        auto* progress = view.findChild<QProgressBar*>("logExportProgress");
        auto* cancel = view.findChild<QPushButton*>("logExportCancel");
        std::vector<bool> finished;
        connect(bar, &LogFilterBar::exportFinished, [&](bool saved) { finished.push_back(saved); });
        QVERIFY(bar->ExportTo(QString::fromStdString(path)));
        QVERIFY(bar->Exporting() && !progress->isHidden() && !cancel->isHidden());
        QVERIFY(!bar->ExportButton()->isEnabled());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(finished, std::vector<bool>{false});
        QVERIFY(!FileExists(path) && progress->isHidden() && !bar->Exporting());

        QVERIFY(bar->ExportTo(QString::fromStdString(path)));
        view.Model().Add(LogRow{1772560309, 7, 7, 11018});  // arrives while it is written
        view.Model().Flush();
        QVERIFY(PumpUntil([&] { return finished.size() == 2; }));
        QVERIFY(finished.back());
        QCOMPARE(ReadLines(path).size(), std::size_t{100001});
        QVERIFY(bar->ExportButton()->isEnabled());
    }
};

QTEST_MAIN(LogPageTest)
#include "LogPageTest.moc"
