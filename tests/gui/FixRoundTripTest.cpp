// A FIX user added and deleted through the FIX dialogs, proven by a real FIX engine: the sim
// service runs the CM gateway, whose FIX acceptor takes its sessions from the market's FIX
// file; a trader (qel_fix_trader, a FIX initiator) logs on to it; the dialogs' exit step
// restarts the gateway, which reads the file again. The market's log page shows the logons.
#include <QProcess>
#include <QTest>
#include <QTreeWidget>

#include "config/ControlIds.h"
#include "config/FixUserDetails.h"
#include "config/FixUserSessions.h"
#include "core/MarketType.h"
#include "link/ZEVOHelper.h"
#include "support/CliRun.h"
#include "support/FakeHost.h"
#include "support/GuiFixture.h"
#include "support/LogRows.h"
#include "support/ServiceRun.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"
#include "views/GenericLogs.h"

using namespace testing_support;

namespace {

const char kTrader[] = "300,12341,2";  // user 300 of broker 12341 (CM's BROKER_ID), branch 2

// The trader's exit status and what it printed.
QString LogOn(const InstallationLayout& layout) {
    QProcess trader;
    trader.start(QEL_FIX_TRADER_PATH,
                 {"--fix-file", QString::fromStdString(layout.FixConfigPath(CM)), "--sender",
                  kTrader, "--timeout", "10"});
    if (!trader.waitForFinished(30000)) {
        trader.kill();
        trader.waitForFinished();
        return "still running";
    }
    return QString::number(trader.exitCode()) + " " +
           QString::fromLocal8Bit(trader.readAllStandardOutput());
}

QString Said(const char* verdict, const InstallationLayout& layout) {
    return QString("logon %1: %2 at QELCM 127.0.0.1:%3\n")
        .arg(verdict, kTrader)
        .arg(layout.FixAcceptPort(CM));
}

void ClickRow(QTreeWidget* list, const QString& text) {
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {},
        list->visualItemRect(list->findItems(text, Qt::MatchExactly).front()).center());
}

// A CM installation with FIX, its service running and its gateway's FIX engine accepting.
struct CmService {
    CmService() {
        if (service.StartGateways()) {
            Restarted();
        }
    }
    // Waits for a new gateway process whose FIX engine accepts; false when none comes.
    bool Restarted() {
        gateway = service.NewGateway("qel_ip_cm.exe", gateway, layout.FixAcceptPort(CM));
        return gateway != 0;
    }
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.path(), {CM}, {CM});
    ServiceRun service{QEL_SERVICE_PATH, layout};
    int gateway = 0;  // its process id
};

}  // namespace

class FixRoundTripTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { TrustOwnGateways(); }
    void aUserAddedInTheDialogsLogsOnAndADeletedOneIsRefused() {
        CmService cm;
        QVERIFY(cm.gateway != 0);
        const InstallationLayout& layout = cm.layout;

        // The market's log page, connected to the gateway as the status thread does; the
        // gateway's version in the status list says the gateway took the connection.
        TestLog log;
        QTreeWidget status;
        auto* statusRow = new QTreeWidgetItem(&status, {"CM", "Running", ""});
        CGenericLogs page(log.get(), nullptr);
        page.SetMarketType(CM);
        page.SetStatusList(&status);
        page.SetGatewayRuns([] { return true; });
        page.InitConnectionData(
            {&page, layout.InteractivePort(CM), layout.NonInteractivePort(CM), log.get()});
        const auto connectPage = [&] {
            statusRow->setText(2, "");
            return page.Session()->EstablishConnection(page.GatewayAddress(), page.GatewayPort()) ==
                       1 &&
                   PumpUntil([&] { return statusRow->text(2) == "10101"; });
        };
        QVERIFY(connectPage());

        QCOMPARE(LogOn(layout), "1 " + Said("refused", layout));

        RecordingBoxes boxes;
        FakeHost host;
        host.running = true;
        // Each visit of the users list ends with its exit step, which restarts the gateway;
        // the page connects to the new one.
        const auto visitUsers = [&](const std::function<void(CFixUserSessions*)>& change) {
            CFixUserSessions users(CM, layout.ConfigPath(CM), layout.FixConfigPath(CM),
                                   static_cast<std::uint16_t>(layout.InteractivePort(CM)),
                                   log.get(), &host);
            users.OnInitDialog();
            users.show();
            change(&users);
            Click(&users, control_id::kExit2);
            QVERIFY(PumpUntil([&] { return !users.isVisible(); }));
            QVERIFY(cm.Restarted());
            QVERIFY(connectPage());
        };

        visitUsers([](CFixUserSessions* users) {
            WhenModal<CFixUserDetails>([](CFixUserDetails* details) {
                Type(details, control_id::kUserId, "300");
                Type(details, control_id::kBranchId, "2");
                Click(details, control_id::kSave);
            });
            Click(users, control_id::kNewUser);
            QCOMPARE(Column(users->findChild<QTreeWidget*>(control_id::kFixUsersList), 0),
                     (QStringList{"101", "102", "205", "300"}));
        });
        QCOMPARE(LogOn(layout), "0 " + Said("accepted", layout) + "logged out: " + kTrader + "\n");
        // The log page's rows, newest on top: the logon, then the disconnect once the trader
        // left (cells: user, time, message, reason).
        QStringList rows;
        QVERIFY(PumpUntil([&] {
            rows = LogRows(page.Model());
            return rows.size() == 2;
        }));
        QVERIFY(rows[0].startsWith("300 / ") && rows[0].endsWith(" / User has disconnected.  / "));
        QVERIFY(rows[1].startsWith("300 / ") &&
                rows[1].endsWith(" / The user successfully logged on to the trading host / "));

        boxes.answers = {platform::IDYES};
        visitUsers([](CFixUserSessions* users) {
            auto* list = users->findChild<QTreeWidget*>(control_id::kFixUsersList);
            ClickRow(list, "300");
            QTest::keyClick(list, Qt::Key_Delete);
            QCOMPARE(Column(list, 0), (QStringList{"101", "102", "205"}));
        });
        QCOMPARE(LogOn(layout), "1 " + Said("refused", layout));
        QCOMPARE(boxes.shown, (std::vector<std::string>{
                                  "Alert: QEL will restart to take changes into effect.",
                                  "Delete: Are you sure you want to delete User ID 300?",
                                  "Alert: QEL will restart to take changes into effect."}));
    }

    void aUserAddedWithZevoCliLogsOnAndADeletedOneIsRefused() {
        CmService cm;
        QVERIFY(cm.gateway != 0);
        const InstallationLayout& layout = cm.layout;
        QCOMPARE(LogOn(layout), "1 " + Said("refused", layout));

        // Each change restarts the running gateway, which reads the FIX file again.
        const auto change = [&](const QStringList& arguments) {
            const CliResult result = RunCli(layout, arguments, layout.ServiceDir());
            return cm.Restarted() && result.status == 0 && result.err.empty();
        };
        QVERIFY(change({"fix", "add", "CM", "300", "2"}));
        QCOMPARE(LogOn(layout), "0 " + Said("accepted", layout) + "logged out: " + kTrader + "\n");
        QVERIFY(change({"fix", "delete", "CM", "300"}));
        QCOMPARE(LogOn(layout), "1 " + Said("refused", layout));
    }
};

QTEST_MAIN(FixRoundTripTest)
#include "FixRoundTripTest.moc"
