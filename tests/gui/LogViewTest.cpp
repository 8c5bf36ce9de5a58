#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "GatewayPeer.h"
#include "app/MarketType.h"
#include "link/MessageFrame.h"
#include "link/ZEVOHelper.h"
#include "platform/ProcessExit.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "views/GenericLogs.h"
#include "views/LogMessageModel.h"

using namespace testing_support;

namespace {

// A log page as the main window sets it up, with a status list holding one market's row.
struct Page {
    Page(int market, const QString& statusRowName) {
        status.setHeaderLabels({"Market", "Status", "Version"});
        new QTreeWidgetItem(&status, {"XX", "Running", ""});
        new QTreeWidgetItem(&status, {statusRowName, "Running", ""});
        view.SetMarketType(market);
        view.SetStatusList(&status);
    }
    void Connect(const GatewayPeer& peer) {
        view.InitConnectionData({&view, 0, peer.LogPort(), log.get()});
        QCOMPARE(view.GatewayAddress(), std::string("127.0.0.1"));
        QCOMPARE(view.GatewayPort(), std::to_string(peer.LogPort()));
        view.Session()->EstablishConnection(view.GatewayAddress(), view.GatewayPort());
    }
    QStringList Row(int row) {
        QStringList cells;
        for (int column = 0; column < 4; ++column) {
            cells << view.Model().index(row, column).data().toString();
        }
        return cells;
    }
    int Rows() { return view.Model().rowCount(); }

    TestLog log;
    QTreeWidget status;
    CGenericLogs view{log.get(), nullptr};
};

std::unique_ptr<GatewayPeer> StartPeer(int market, std::int32_t version, std::vector<gateway::Bytes> script,
                                       std::vector<gateway::Bytes> reconnect = {}) {
    GatewayPeer::Options options;
    options.market = market;
    options.version = version;
    options.script = std::move(script);
    options.reconnectScript = std::move(reconnect);
    auto peer = std::make_unique<GatewayPeer>(options);
    QString error;
    if (!peer->Listen(&error)) {
        qFatal("gateway peer: %s", qPrintable(error));
    }
    return peer;
}

}  // namespace

class LogViewTest : public QObject {
    Q_OBJECT
private slots:
    void init() { FO_USERID_INCREASE_FLAG = IPO_USERID_INCREASE_FLAG = SLBM_USERID_INCREASE_FLAG = 0; }
    void cleanup() { init(); }

    void versionUnlocksRowsAndWidensFoUserIds() {
        setenv("TZ", "UTC", 1);
        tzset();
        // Before the version: dropped. FO at release 409 then carries 32-bit user IDs.
        auto peer = StartPeer(FO, 40902,
                              {gateway::LogMessage(false, 1772460309, 9, 11018, 1), gateway::VersionMessage(40902),
                               gateway::LogMessage(true, 1772460309, 70000, 12014, -1),
                               gateway::LogMessage(true, 1772460310, 0, 11018, 0)});
        Page page(FO, "fo");
        page.Connect(*peer);
        QVERIFY(PumpUntil([&] { return page.Rows() == 2; }));
        QCOMPARE(page.Row(0), (QStringList{"NEW", "Monday, March 02, 2026, 14:05:10",
                                           "The user successfully logged on to the trading host", "0"}));
        QCOMPARE(page.Row(1), (QStringList{"70000", "Monday, March 02, 2026, 14:05:09",
                                           "No description for reason code [12014]", ""}));
        QCOMPARE(page.status.topLevelItem(1)->text(2), QString("40902"));
        QCOMPARE(page.status.topLevelItem(0)->text(2), QString(""));
        QCOMPARE(FO_USERID_INCREASE_FLAG, 1);
        QCOMPARE(page.view.VersionState(), 1);
        QVERIFY(page.log.CountLine("EVENT|Received market version is 40902|GenericLogs.cpp|CGenericLogs::RouteMessage") == 1);
        QVERIFY(page.log.CountLine("ACTIVITY|FO_USERID_INCREASE_FLAG = TRUE|GenericLogs.cpp|CGenericLogs::compatible") == 1);
        QCOMPARE(page.view.List()->objectName(), QString("1013"));
        QCOMPARE(page.view.List()->model()->headerData(2, Qt::Horizontal).toString(), QString("Message"));
        unsetenv("TZ");
        tzset();
    }

    void shortLayoutCells() {
        auto peer = StartPeer(WDM, 30903,
                              {gateway::VersionMessage(30903), gateway::LogMessage(false, 0, -1, 13001, 7),
                               gateway::LogMessage(false, 0, static_cast<std::int16_t>(0x8000), 11009, -1)});
        Page page(WDM, "WDM");
        page.Connect(*peer);
        QVERIFY(PumpUntil([&] { return page.Rows() == 2; }));
        QCOMPARE(page.Row(0)[0], QString("-32768"));
        QCOMPARE(page.Row(0)[2], QString("User has disconnected. "));
        QCOMPARE(page.Row(1)[0], QString(""));
        QCOMPARE(page.Row(1)[3], QString("7"));
    }

    void invalidVersionEndsTheProgramWith200() {
        RecordingBoxes boxes;
        int exitCode = -1;
        platform::InstallExitSeam([&](int code) { exitCode = code; });
        auto peer = StartPeer(CM, 10202, {gateway::VersionMessage(10202), gateway::LogMessage(true, 0, 5, 11018, 0)});
        Page page(CM, "CM");
        page.Connect(*peer);
        QVERIFY(PumpUntil([&] { return exitCode != -1; }));
        platform::InstallExitSeam(nullptr);
        QCOMPARE(exitCode, 200);
        QCOMPARE(boxes.shown, (std::vector<std::string>{
                                  "Invalid version: QEL Setup Error.. Version 10202 is invalid for market CM"}));
        QCOMPARE(page.log.CountLine("ACTIVITY|QEL Setup Error.. Version 10202 is invalid for market CM|GenericLogs.cpp|"
                                "CGenericLogs::RouteMessage"),
                 1);
        QCOMPARE(page.status.topLevelItem(1)->text(2), QString(""));
    }

    void aNewConnectionEmptiesTheListAndKeepsTheVersion() {
        auto peer = StartPeer(MF, 30107,
                              {gateway::VersionMessage(30107), gateway::LogMessage(false, 0, 1, 12001, 0),
                               gateway::LogMessage(false, 0, 2, 12002, 0)},
                              {gateway::LogMessage(false, 0, 3, 12003, 0)});
        Page page(MF, "MF");
        page.Connect(*peer);
        QVERIFY(PumpUntil([&] { return page.Rows() == 2; }));
        // The gateway restarts: the status monitor connects again, with no version message.
        page.view.Session()->Transport().CloseConnection();
        page.view.Session()->EstablishConnection(page.view.GatewayAddress(), page.view.GatewayPort());
        QVERIFY(PumpUntil([&] { return page.Rows() == 1; }));
        QCOMPARE(page.Row(0)[0], QString("3"));
        QCOMPARE(page.Row(0)[2], QString("QEL did not receive logon response from the trading host"));
    }

    void rowsOverManyStoreBlocksKeepEveryField() {
        setenv("TZ", "UTC", 1);
        tzset();
        LogMessageModel model;
        constexpr int kRows = 10000;  // a little over two blocks of the row store
        for (int i = 0; i < kRows; ++i) {
            model.Add(LogRow{1772460309 + i, i + 1, -i,
                             static_cast<std::uint16_t>(i % 2 ? 12002 : 11009)});
        }
        model.Flush();
        QCOMPARE(model.rowCount(), kRows);
        const auto cells = [&](int row) {
            QStringList texts;
            for (int column = 0; column < 4; ++column) {
                texts << model.index(row, column).data().toString();
            }
            return texts;
        };
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
        QCOMPARE(cells(0)[0], QString("7"));
        unsetenv("TZ");
        tzset();
    }

    void otherCodesAreIgnored() {
        gateway::Bytes other = gateway::LogMessage(false, 0, 1, 12001, 0);
        WriteU16(other.data() + 20, 10003);
        auto peer = StartPeer(CD, 10105, {gateway::VersionMessage(10105), other, gateway::LogMessage(false, 0, 4, 12010, 0)});
        Page page(CD, "CD");
        page.Connect(*peer);
        QVERIFY(PumpUntil([&] { return page.Rows() == 1; }));
        QCOMPARE(page.Row(0)[0], QString("4"));
    }
};

QTEST_MAIN(LogViewTest)
#include "LogViewTest.moc"
