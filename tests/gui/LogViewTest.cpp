#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "link/ZEVOHelper.h"
#include "platform/ProcessExit.h"
#include "support/ListeningPeer.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"
#include "views/GenericLogs.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"

using namespace testing_support;
using gateway::LogMessage;
using gateway::VersionMessage;

namespace {

// A log page as the main window sets it up, with a status list holding one market's row,
// connected to `peer`.
struct Page {
    Page(int market, const QString& statusRowName, const GatewayPeer& peer) {
        status.setHeaderLabels({"Market", "Status", "Version"});
        new QTreeWidgetItem(&status, {"XX", "Running", ""});
        new QTreeWidgetItem(&status, {statusRowName, "Running", ""});
        view.SetMarketType(market);
        view.SetStatusList(&status);
        view.InitConnectionData({&view, 0, peer.LogPort(), log.get()});
        view.Session()->EstablishConnection(view.GatewayAddress(), view.GatewayPort());
    }
    // The cells of the message list's rows, as "User ID / Time / Message / Reason".
    QStringList Rows() {
        return testing_support::Rows(view.findChild<QTableView*>("1013")->model());
    }
    QString Version(int statusRow) { return status.topLevelItem(statusRow)->text(2); }

    TestLog log;
    QTreeWidget status;
    CGenericLogs view{log.get(), nullptr};
};

}  // namespace

class LogViewTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        FO_USERID_INCREASE_FLAG = IPO_USERID_INCREASE_FLAG = SLBM_USERID_INCREASE_FLAG = 0;
    }
    void cleanup() { init(); }

    void versionUnlocksRowsAndWidensFoUserIds() {
        // Before the version: dropped. FO at release 409 then carries 32-bit user IDs.
        auto peer = ListeningPeer(FO, 40902, [](GatewayPeer::Options& o) {
            o.script = {LogMessage(false, 1772460309, 9, 11018, 1), VersionMessage(40902),
                        LogMessage(true, 1772460309, 70000, 12014, -1),
                        LogMessage(true, 1772460310, 0, 11018, 0)};
        });
        Page page(FO, "fo", *peer);
        QVERIFY(PumpUntil([&] { return page.Rows().size() == 2; }));
        QCOMPARE(page.Rows(),
                 (QStringList{"NEW / Monday, March 02, 2026, 14:05:10 / "
                              "The user successfully logged on to the trading host / 0",
                              "70000 / Monday, March 02, 2026, 14:05:09 / "
                              "No description for reason code [12014] / "}));
        QCOMPARE(page.view.List()->model()->headerData(2, Qt::Horizontal).toString(),
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
        auto peer = ListeningPeer(CM, 10202, [](GatewayPeer::Options& o) {
            o.script = {VersionMessage(10202), LogMessage(true, 0, 5, 11018, 0)};
        });
        Page page(CM, "CM", *peer);
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
        auto peer = ListeningPeer(MF, 30107, [&](GatewayPeer::Options& o) {
            o.script = {VersionMessage(30107), other, LogMessage(false, 0, 1, 12001, 0),
                        LogMessage(false, 0, 2, 12002, 0)};
            o.reconnectScript = {LogMessage(false, 0, 3, 12003, 0)};
        });
        Page page(MF, "MF", *peer);
        QVERIFY(PumpUntil([&] { return page.Rows().size() == 2; }));
        QVERIFY(page.Rows()[0].startsWith("2 / "));
        QVERIFY(page.Rows()[1].startsWith("1 / "));
        // The gateway restarts: the status monitor connects again, with no version message.
        page.view.Session()->Transport().CloseConnection();
        page.view.Session()->EstablishConnection(page.view.GatewayAddress(),
                                                 page.view.GatewayPort());
        QVERIFY(PumpUntil([&] { return page.Rows().size() == 1; }));
        QVERIFY(page.Rows()[0].startsWith("3 / "));
        QVERIFY(page.Rows()[0].endsWith(
            " / QEL did not receive logon response from the trading host / 0"));
    }

    void rowsOverManyStoreBlocksKeepEveryField() {
        LogMessageModel model;
        constexpr int kRows = 10000;  // a little over two blocks of the row store
        for (int i = 0; i < kRows; ++i) {
            model.Add(LogRow{1772460309 + i, i + 1, -i,
                             static_cast<std::uint16_t>(i % 2 ? 12002 : 11009)});
        }
        model.Flush();
        QCOMPARE(model.rowCount(), kRows);
        const QStringList rows = Rows(&model);
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
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        model.Add(LogRow{0, 7, 0, 13001});
        model.Flush();
        QCOMPARE(model.rowCount(), 1);
        QVERIFY(Rows(&model)[0].startsWith("7 / "));
    }
};

QTEST_MAIN(LogViewTest)
#include "LogViewTest.moc"
