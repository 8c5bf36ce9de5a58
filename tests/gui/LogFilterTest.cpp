// The filter, the count, copying and exporting on a log page fed by a gateway over loopback.

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "GatewayMessages.h"
#include "core/MarketType.h"
#include "link/ZEVOHelper.h"
#include "support/LoopbackGateway.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"
#include "views/GenericLogs.h"
#include "views/LogFilterBar.h"
#include "views/LogMessageModel.h"

using namespace testing_support;
using gateway::LogMessage;

namespace {

// An MF log page connected to a loopback gateway that has sent its version.
struct Page {
    Page() {
        view.SetMarketType(MF);
        view.InitConnectionData({&view, 0, std::stoi(gateway.Port()), log.get()});
        view.Session()->EstablishConnection(view.GatewayAddress(), view.GatewayPort());
        if (!gateway.Accept() || !gateway.Send(gateway::VersionMessage(30107))) {
            qFatal("the console did not connect");
        }
        view.resize(900, 400);
    }
    void Send(const std::vector<gateway::Bytes>& messages) {
        for (const auto& message : messages) {
            QVERIFY(gateway.Send(message));
        }
    }
    QStringList Rows() const { return testing_support::Rows(view.List()->model()); }
    QLineEdit* Field() const { return view.findChild<QLineEdit*>("logFilter"); }
    QString Count() const { return view.findChild<QLabel*>("logFilterCount")->text(); }

    TestLog log;
    LoopbackGateway gateway;
    CGenericLogs view{log.get(), nullptr};
};

// The five messages the tests start from, oldest first (times in UTC).
const std::vector<gateway::Bytes> kFive = {
    LogMessage(false, 1772460309, 1001, 11018, -1),  // Mon 02 Mar 2026 14:05:09
    LogMessage(false, 1772460310, 2002, 12001, 42),
    LogMessage(false, 1772546710, 0, 11011, 7),  // Tue 03 Mar 2026 14:05:10
    LogMessage(false, 1772546711, -1, 13001, 1001),
    LogMessage(false, 1772546712, 3003, 11018, 0),
};

}  // namespace

class LogFilterTest : public QObject {
    Q_OBJECT
  private slots:

    void typedTextKeepsRowsWithACellThatHoldsItIgnoringCase() {
        Page page;
        page.Send(kFive);
        QVERIFY(PumpUntil([&] { return page.Rows().size() == 5; }));
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
    }

    void newRowsThatMatchArriveOnTopWhileFiltered() {
        Page page;
        page.Send(kFive);
        QVERIFY(PumpUntil([&] { return page.Count() == "5 of 5"; }));
        page.Field()->setText("logged on");
        page.Send({LogMessage(false, 1772546800, 4004, 12002, 5),
                   LogMessage(false, 1772546801, 5005, 11018, 6)});
        QVERIFY(PumpUntil([&] { return page.Count() == "3 of 7"; }));
        QVERIFY(page.Rows()[0].startsWith("5005 / "));
        QVERIFY(page.Rows()[1].startsWith("3003 / "));
        // A new connection empties the list; the filter stays and applies to what comes.
        page.view.OnConnectionEstablished();
        QCOMPARE(page.Count(), QString("0 of 0"));
        page.Send({LogMessage(false, 1772546900, 6006, 11018, 6),
                   LogMessage(false, 1772546901, 7007, 12002, 6)});
        QVERIFY(PumpUntil([&] { return page.Count() == "1 of 2"; }));
        QVERIFY(page.Rows()[0].startsWith("6006 / "));
    }

    void ctrlFGoesToTheFieldAndEscapeEmptiesIt() {
        Page page;
        page.Send(kFive);
        QVERIFY(PumpUntil([&] { return page.Rows().size() == 5; }));
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
    }

    void ctrlCCopiesTheSelectedRowsAndHomeAndEndGoToTheFirstAndLastRow() {
        Page page;
        page.Send(kFive);
        QVERIFY(PumpUntil([&] { return page.Rows().size() == 5; }));
        page.Field()->setText("logged");
        QTableView* list = page.view.List();
        list->selectionModel()->select(list->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->selectionModel()->select(list->model()->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        page.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&page.view));
        list->setFocus();
        const auto copied = [&] {
            QApplication::clipboard()->clear();
            QTest::keySequence(list, QKeySequence::Copy);
            return QApplication::clipboard()->text();
        };
        const QString newest =
            "3003\tTuesday, March 03, 2026, 14:05:12\tThe user successfully "
            "logged on to the trading host\t0\n";
        const QString oldest =
            "1001\tMonday, March 02, 2026, 14:05:09\tThe user successfully "
            "logged on to the trading host\t\n";
        QCOMPARE(copied(), newest + oldest);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(copied(), oldest);
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(copied(), newest);
        QTest::keyClick(list, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(copied(), newest + oldest);
    }

    void exportWritesTheRowsShownAsCsvWithAHeader() {
        Page page;
        page.Send(kFive);
        QVERIFY(PumpUntil([&] { return page.Rows().size() == 5; }));
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

    void aLargeExportShowsItsProgressAndCancellingLeavesNoFile() {
        CGenericLogs view;
        for (int i = 0; i < 100000; ++i) {
            view.Model().Add(LogRow{1772460309 + i, i, i, 11018});
        }
        view.Model().Flush();
        TempDir dir;
        const std::string path = dir.File("large.csv");
        bool sawProgress = false;
        QTimer::singleShot(0, &view, [&] {
            if (auto* progress = view.findChild<QProgressDialog*>("logExportProgress")) {
                sawProgress = true;
                progress->cancel();
            }
        });
        QVERIFY(!view.FilterBar()->ExportTo(QString::fromStdString(path)));
        QVERIFY(sawProgress);
        QVERIFY(!FileExists(path));
        QVERIFY(view.FilterBar()->ExportTo(QString::fromStdString(path)));
        QCOMPARE(ReadLines(path).size(), std::size_t{100001});
    }
};

QTEST_MAIN(LogFilterTest)
#include "LogFilterTest.moc"
