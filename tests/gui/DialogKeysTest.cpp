// The configuration dialogs driven by the keyboard, as an operator drives them: each label's
// access key puts the focus in its control, Enter presses the push button that has the
// focus, and Enter anywhere else is the dialog's own OK.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "config/CommonConfig.h"
#include "config/FixConfiguration.h"
#include "config/FixUserDetails.h"
#include "config/FixUserSessions.h"
#include "config/GenericConfiguration.h"
#include "config/IpAddressCtrl.h"
#include "core/GatewayHost.h"
#include "support/GuiFixture.h"
#include "support/TestLog.h"

using namespace testing_support;

namespace {

constexpr int kFo = 2;

struct QuietHost final : GatewayHost {
    bool IsGatewayRunning(int) const override { return false; }
    void PostCommand(int) override {}
    ActivityLog* Log() const override { return nullptr; }
};

// An FO installation with its FIX side, and the dialogs opened on it.
struct Desk {
    Desk() : fixture({kFo}, {kFo}) {}
    std::string Config() { return fixture.layout.ConfigPath(kFo); }
    std::string Fix() { return fixture.layout.FixConfigPath(kFo); }

    template <typename Dialog, typename... Arguments>
    Dialog* Open(Arguments&&... arguments) {
        auto dialog = std::make_unique<Dialog>(std::forward<Arguments>(arguments)...);
        dialog->OnInitDialog();
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get())) {
            qWarning("the dialog did not become active");
        }
        dialogs.push_back(std::move(dialog));
        return static_cast<Dialog*>(dialogs.back().get());
    }
    CGenericConfiguration* Gateway() {
        return Open<CGenericConfiguration>(kFo, Config(), Fix(), 1, log.get(), &host);
    }
    CCommonConfig* Common() {
        return Open<CCommonConfig>(100, fixture.layout.CommonConfigPath(), log.get());
    }
    CFixConfiguration* FixSettings() {
        return Open<CFixConfiguration>(kFo, Config(), Fix(), 1, log.get(), &host);
    }
    CFixUserSessions* FixUsers() {
        return Open<CFixUserSessions>(kFo, Config(), Fix(), 1, log.get(), &host);
    }
    CFixUserDetails* NewFixUser() {
        return Open<CFixUserDetails>(kFo, "", "12342", "", Fix(), 1, log.get());
    }

    GuiFixture fixture;
    TestLog log;
    QuietHost host;
    std::vector<std::unique_ptr<QDialog>> dialogs;
};

template <typename Widget = QWidget>
Widget* Get(QWidget* dialog, const char* id) {
    return dialog->findChild<Widget*>(id);
}

void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
}

// Enter with the focus on `id`, a push button or a field.
void EnterOn(QWidget* dialog, const char* id) {
    Get(dialog, id)->setFocus();
    QTest::keyClick(Get(dialog, id), Qt::Key_Return);
}

}  // namespace

class DialogKeysTest : public QObject {
    Q_OBJECT
  private slots:
    void accessKeysOfTheGatewayConfigurationLandInTheirControls() {
        Desk desk;
        CGenericConfiguration* d = desk.Gateway();
        const std::pair<Qt::Key, QWidget*> keys[] = {
            {Qt::Key_L, Get<CIpAddressCtrl>(d, "1022")->Field(0)},
            {Qt::Key_W, Get<CIpAddressCtrl>(d, "1023")->Field(0)},
            {Qt::Key_B, Get(d, "1026")},
            {Qt::Key_R, Get(d, "1027")},
            {Qt::Key_H, Get<CIpAddressCtrl>(d, "1024")->Field(0)},
            {Qt::Key_O, Get(d, "1025")},
        };
        for (const auto& [key, control] : keys) {
            Press(key, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), control);
        }
        // What is typed after the access key goes into that control.
        Press(Qt::Key_W, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), "99");
        QCOMPARE(Get<CIpAddressCtrl>(d, "1023")->Text(), std::string("99.20.30.42"));
        Press(Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(Get<QRadioButton>(d, "1037")->isChecked());
        Press(Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY(Get<QRadioButton>(d, "1036")->isChecked());
    }

    void enterPressesTheFocusedPushButtonInEveryDialog() {
        Desk desk;
        CGenericConfiguration* gateway = desk.Gateway();
        QTest::keyClicks(Get(gateway, "1026"), "7");  // Box ID 1007
        EnterOn(gateway, "1020");
        QVERIFY(ReadFile(desk.Config()).find("\nBOX_ID=1007\n") != std::string::npos);
        EnterOn(gateway, "1032");
        QVERIFY(!gateway->isVisible());

        CCommonConfig* common = desk.Common();
        Get<QLineEdit>(common, "1029")->setText("50");
        EnterOn(common, "1020");
        QVERIFY(ReadFile(desk.fixture.layout.CommonConfigPath()).find("REPOSITORY_HISTORY=50\n") !=
                std::string::npos);
        QVERIFY(common->isVisible());
        EnterOn(common, "1028");
        QVERIFY(!common->isVisible());

        CFixConfiguration* fix = desk.FixSettings();
        Get<QCheckBox>(fix, "1080")->click();  // Persist Messages off
        EnterOn(fix, "1020");
        QVERIFY(ReadFile(desk.Fix()).find("PersistMessages=N\n") != std::string::npos);
        EnterOn(fix, "1028");
        QVERIFY(!fix->isVisible());

        CFixUserDetails* details = desk.NewFixUser();
        QTest::keyClicks(Get(details, "1056"), "77");
        QTest::keyClicks(Get(details, "1058"), "3");
        EnterOn(details, "1020");
        QCOMPARE(details->result(), 10);
        QVERIFY(ReadFile(desk.Fix()).find("TargetCompID=77,12342,3\n") != std::string::npos);

        CFixUserSessions* users = desk.FixUsers();
        bool detailsOpened = false;
        WhenModal<CFixUserDetails>([&](CFixUserDetails* opened) {
            detailsOpened = true;
            opened->reject();
        });
        EnterOn(users, "1041");  // New
        QVERIFY(detailsOpened);
        EnterOn(users, "1032");  // Exit
        QVERIFY(!users->isVisible());
        QCOMPARE(desk.fixture.boxes.shown,
                 (std::vector<std::string>{
                     "Success: Parameter(s) updated successfully in QEL configuration file.",
                     "Success: Parameter(s) updated successfully in configuration file.",
                     "Success: Parameter(s) updated successfully in configuration file."}));
    }

    void enterInAFieldIsTheDialogsOwnOk() {
        Desk desk;
        const std::string config = ReadFile(desk.Config()), fixFile = ReadFile(desk.Fix());
        // Nothing in the gateway configuration and the user details: the edit stays.
        CGenericConfiguration* gateway = desk.Gateway();
        QTest::keyClicks(Get(gateway, "1026"), "7");
        EnterOn(gateway, "1026");
        QVERIFY(gateway->isVisible());
        CFixUserDetails* details = desk.NewFixUser();
        QTest::keyClicks(Get(details, "1056"), "77");
        EnterOn(details, "1056");
        QVERIFY(details->isVisible());
        // The exit step in the common and FIX dialogs: closed, nothing written.
        CCommonConfig* common = desk.Common();
        Get<QLineEdit>(common, "1029")->setText("50");
        EnterOn(common, "1029");
        QVERIFY(!common->isVisible());
        CFixConfiguration* fix = desk.FixSettings();
        Get<QCheckBox>(fix, "1080")->click();
        EnterOn(fix, "1080");
        QVERIFY(!fix->isVisible());
        CFixUserSessions* users = desk.FixUsers();
        EnterOn(users, "1061");
        QVERIFY(!users->isVisible());
        QCOMPARE(ReadFile(desk.Config()), config);
        QCOMPARE(ReadFile(desk.Fix()), fixFile);
        QVERIFY(ReadFile(desk.fixture.layout.CommonConfigPath()).find("=50") == std::string::npos);
        QVERIFY(desk.fixture.boxes.shown.empty());
    }
};

QTEST_MAIN(DialogKeysTest)
#include "DialogKeysTest.moc"
