#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "support/ListeningPeer.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"
#include "views/ControlIds.h"
#include "views/GenericActiveUsersList.h"

using namespace testing_support;

namespace {

// A gateway of `market` with box ID 4321 whose users are `users`.
std::unique_ptr<GatewayPeer> UsersPeer(int market, std::int32_t version,
                                       std::vector<std::int32_t> users) {
    return ListeningPeer(market, version, [&](GatewayPeer::Options& o) {
        o.userIds = users;
        o.boxId = 4321;
    });
}

QString Field(const CGenericActiveUsersList& dialog, const char* id) {
    return dialog.findChild<QLabel*>(id)->text();
}

void ClickHeading(const CGenericActiveUsersList& dialog, int column) {
    emit dialog.UserList()->header()->sectionClicked(column);
}

}  // namespace

class ActiveUsersTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { TrustOwnGateways(); }
    void init() { FO_USERID_INCREASE_FLAG = 0; }

    void usersArriveNewestOnTopAndSortByHeading() {
        auto peer = UsersPeer(FO, 10102, {5, 7, 6});
        TestLog log;
        CGenericActiveUsersList dialog(FO, peer->InteractivePort(), log.get());
        QCOMPARE(dialog.windowTitle(), QString("Active Users FO"));
        QVERIFY(PumpUntil([&] {
            return dialog.UserList()->topLevelItemCount() == 3 &&
                   !Field(dialog, control_id::kBoxIdLabel).isEmpty();
        }));
        QCOMPARE(Column(dialog.UserList(), 0), (QStringList{"6", "7", "5"}));
        QCOMPARE(Column(dialog.UserList(), 1),
                 (QStringList{"Logged on.", "Logoff in progress.", "Logged Off."}));
        QCOMPARE(Field(dialog, control_id::kUserCount), QString("3"));
        QCOMPARE(Field(dialog, control_id::kBoxIdLabel), QString("4321"));
        QCOMPARE(Field(dialog, control_id::kBoxState), QString("Logged on."));
        QVERIFY(dialog.findChild<QPushButton*>(control_id::kRefresh)->isEnabled());
        // Enter does nothing here.
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QVERIFY(dialog.isVisible());

        ClickHeading(dialog, 0);
        QCOMPARE(Column(dialog.UserList(), 0), (QStringList{"7", "6", "5"}));
        ClickHeading(dialog, 0);
        QCOMPARE(Column(dialog.UserList(), 0), (QStringList{"5", "6", "7"}));
        ClickHeading(dialog, 1);
        QCOMPARE(Column(dialog.UserList(), 1),
                 (QStringList{"Logged Off.", "Logged on.", "Logoff in progress."}));
        QCOMPARE(Column(dialog.UserList(), 0), (QStringList{"5", "6", "7"}));

        // Refresh asks again: the list is rebuilt, not added to.
        dialog.findChild<QPushButton*>(control_id::kRefresh)->click();
        QCOMPARE(dialog.UserList()->topLevelItemCount(), 0);
        QVERIFY(PumpUntil([&] { return dialog.UserList()->topLevelItemCount() == 3; }));

        dialog.reject();
        for (const char* request : {"Box", "User"}) {  // once at the start, once at the refresh
            QCOMPARE(log.Count("ACTIVITY|" + std::string(request) + " information request sent."),
                     2u);
        }
        QCOMPARE(log.Lines().back(), std::string("EVENT|Socket closed successfully."));
    }

    void cmReadsLongUserIdsAndALostConnectionClearsAllButTheCount() {
        auto peer = UsersPeer(CM, 10101, {70000});
        TestLog log;
        CGenericActiveUsersList dialog(CM, peer->InteractivePort(), log.get());
        QVERIFY(PumpUntil([&] {
            return dialog.UserList()->topLevelItemCount() == 1 &&
                   !Field(dialog, control_id::kBoxState).isEmpty();
        }));
        QCOMPARE(Column(dialog.UserList(), 0), QStringList{"70000"});
        QCOMPARE(Column(dialog.UserList(), 1), QStringList{"Logged Off."});
        QCOMPARE(log.Count("ACTIVITY|Box information request for CM sent."), 1u);
        QCOMPARE(log.Count("ACTIVITY|User information request for CM sent."), 1u);

        peer.reset();
        QVERIFY(PumpUntil([&] { return dialog.UserList()->topLevelItemCount() == 0; }));
        QCOMPARE(Field(dialog, control_id::kBoxIdLabel), QString(""));
        QCOMPARE(Field(dialog, control_id::kBoxState), QString(""));
        QCOMPARE(Field(dialog, control_id::kUserCount), QString("1"));
        QVERIFY(!dialog.findChild<QPushButton*>(control_id::kRefresh)->isEnabled());
    }
};

QTEST_MAIN(ActiveUsersTest)
#include "ActiveUsersTest.moc"
