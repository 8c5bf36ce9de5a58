// Desktop notifications over a private D-Bus session, received by a stand-in of the
// freedesktop notification service: one per event, a burst told once, and a missing service
// said once in the activity log.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

#include "GatewayMessages.h"
#include "app/Alerts.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "support/GuiFixture.h"
#include "support/ListeningPeer.h"
#include "support/TestSupport.h"
#include "views/GenericLogs.h"
#include "views/LogMessageModel.h"

using namespace testing_support;

namespace {

// What the desktop's notification service would show.
class NotificationStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    QStringList summaries;
    QStringList bodies;

  public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        summaries << summary;
        bodies << body;
        return static_cast<uint>(summaries.size());
    }
};

// A session bus of the test's own, gone with it.
struct PrivateBus {
    PrivateBus() {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (daemon.waitForStarted() && daemon.waitForReadyRead(5000)) {
            address = QString::fromUtf8(daemon.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        daemon.kill();
        daemon.waitForFinished();
    }
    QProcess daemon;
    QString address;
};

}  // namespace

class NotificationsTest : public QObject {
    Q_OBJECT
  private slots:
    void eachEventIsToldOnceAndABurstAsOne() {
        PrivateBus bus;
        QVERIFY2(!bus.address.isEmpty(), "dbus-daemon did not start");
        // Read when the window first uses the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
        NotificationStandIn standIn;
        QDBusConnection server = QDBusConnection::connectToBus(bus.address, "stand-in");
        QVERIFY(server.registerService("org.freedesktop.Notifications"));
        QVERIFY(server.registerObject("/org/freedesktop/Notifications", &standIn,
                                      QDBusConnection::ExportAllSlots));

        GuiFixture fixture({2});
        std::vector<gateway::Bytes> script = {gateway::VersionMessage(10102),
                                              gateway::LogMessage(false, 0, 0, 12008, 0)};
        for (int i = 0; i < 100; ++i) {
            script.push_back(gateway::LogMessage(false, 0, 0, 13001, i));
        }
        auto peer = ListeningPeer(2, 10102, [&](GatewayPeer::Options& options) {
            options.nonInteractivePort = fixture.layout.NonInteractivePort(2);
            options.interactivePort = fixture.layout.InteractivePort(2);
            options.script = script;
        });
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(PumpUntil([&] { return window.Alerts()->StatusIsKnown(); }));
        QVERIFY(
            fixture.HasLine("ACTIVITY|No system tray: the gateways' state shows in the window "
                            "only|DesktopAlerts.cpp|DesktopAlerts"));

        fixture.processes.SetRunning({"qel_ip_fo.exe"});
        QVERIFY(PumpUntil([&] { return window.LogPage(0)->Model().RowCount() == 101; }));
        QVERIFY(PumpUntil([&] { return standIn.summaries.size() == 3; }));
        fixture.processes.SetRunning({});  // the gateway is killed ...
        QVERIFY(PumpUntil([&] { return standIn.summaries.size() == 4; }));
        fixture.processes.SetRunning({"qel_ip_fo.exe"});  // ... and returns; the page
        // connects anew and the gateway (this simulation) sends its rows again
        QVERIFY2(PumpUntil([&] { return standIn.summaries.size() == 7; }),
                 qPrintable(standIn.summaries.join('|')));
        QVERIFY(!PumpUntil([&] { return standIn.summaries.size() > 7; },
                           std::chrono::milliseconds(1500)));
        QStringList first = standIn.summaries.mid(0, 3);
        first.sort();
        const QStringList connected = {"FO: gateway started", "FO: link to the trading host down",
                                       "FO: queue alarm (100 times)"};
        QCOMPARE(first, connected);
        QCOMPARE(standIn.summaries[3], QString("FO: gateway stopped"));
        QStringList again = standIn.summaries.mid(4);
        again.sort();
        QCOMPARE(again, connected);
        const int link =
            static_cast<int>(standIn.summaries.indexOf("FO: link to the trading host down"));
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d QEL has logged off as it was "
                                   "disconnected from the trading host\\.$")
                    .match(standIn.bodies[link])
                    .hasMatch());
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d qel_ip_fo\\.exe is not running$")
                    .match(standIn.bodies[3])
                    .hasMatch());

        // Without the service, the activity log says so once, however many events come.
        server.unregisterService("org.freedesktop.Notifications");
        const auto saidMissing = [&] {
            const auto lines = ReadLines(window.Log()->CurrentFilePath());
            return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                return WithoutLineAndTime(line).rfind(
                           "ACTIVITY|Desktop notifications cannot be shown: ", 0) == 0;
            });
        };
        fixture.processes.SetRunning({});
        QVERIFY(PumpUntil([&] { return saidMissing() == 1; }));
        fixture.processes.SetRunning({"qel_ip_fo.exe"});
        QVERIFY(!PumpUntil([&] { return saidMissing() > 1; }, std::chrono::milliseconds(2500)));
        QCOMPARE(standIn.summaries.size(), 7);
    }
};

QTEST_MAIN(NotificationsTest)
#include "NotificationsTest.moc"
