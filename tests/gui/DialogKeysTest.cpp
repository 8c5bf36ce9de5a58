// The configuration dialogs driven by the keyboard, as an operator drives them: each label's
// access key puts the focus in its control, Enter presses the push button that has the
// focus, and Enter anywhere else is the dialog's own OK. Automation drives them by their
// control ids, which stay the numbers they are.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "config/CommonConfig.h"
#include "config/ControlIds.h"
#include "config/FixConfiguration.h"
#include "config/FixUserDetails.h"
#include "config/FixUserSessions.h"
#include "config/GenericConfiguration.h"
#include "config/IpAddressCtrl.h"
#include "support/FakeHost.h"
#include "support/GuiFixture.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"

using namespace testing_support;

namespace {

constexpr int kFo = 2;

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
    FakeHost host;
    std::vector<std::unique_ptr<QDialog>> dialogs;
};

void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
}

// Enter with the focus on `id`, a push button or a field.
void EnterOn(QWidget* dialog, const char* id) {
    Get<QWidget>(dialog, id)->setFocus();
    QTest::keyClick(Get<QWidget>(dialog, id), Qt::Key_Return);
}

}  // namespace

class DialogKeysTest : public QObject {
    Q_OBJECT
  private slots:
    void accessKeysOfTheGatewayConfigurationLandInTheirControls() {
        Desk desk;
        CGenericConfiguration* d = desk.Gateway();
        const std::pair<Qt::Key, QWidget*> keys[] = {
            {Qt::Key_L, Get<CIpAddressCtrl>(d, control_id::kLocalIp)->Field(0)},
            {Qt::Key_W, Get<CIpAddressCtrl>(d, control_id::kWanIp)->Field(0)},
            {Qt::Key_B, Get<QWidget>(d, control_id::kBoxId)},
            {Qt::Key_R, Get<QWidget>(d, control_id::kBrokerId)},
            {Qt::Key_H, Get<CIpAddressCtrl>(d, control_id::kHostIp)->Field(0)},
            {Qt::Key_O, Get<QWidget>(d, control_id::kHostPort)},
        };
        for (const auto& [key, control] : keys) {
            Press(key, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), control);
        }
        // What is typed after the access key goes into that control.
        Press(Qt::Key_W, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), "99");
        QCOMPARE(Get<CIpAddressCtrl>(d, control_id::kWanIp)->Text(), std::string("99.20.30.42"));
        Press(Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(Get<QRadioButton>(d, control_id::kBcp)->isChecked());
        Press(Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY(Get<QRadioButton>(d, control_id::kPrimary)->isChecked());
    }

    // Enter in a field is the dialog's OK: nothing in the gateway configuration and the user
    // details, the exit step (nothing written) elsewhere. Enter on a push button presses it.
    void enterPressesTheFocusedPushButtonAndIsTheOkElsewhere() {
        struct Case {
            std::function<QDialog*(Desk&)> open;
            std::function<void(QDialog*)> edit;
            const char* field;
            bool closes;       // Enter in the field ends the dialog
            std::string file;  // which file the save writes, and what it then holds
            const char* saved;
            const char* close;  // the closing button, when Save leaves the dialog open
        };
        const Case cases[] = {
            {[](Desk& d) { return d.Gateway(); },
             [](QDialog* d) { QTest::keyClicks(Get<QWidget>(d, control_id::kBoxId), "7"); },
             control_id::kBoxId, false, "config", "\nBOX_ID=1007\n", control_id::kExit2},
            {[](Desk& d) { return d.Common(); },
             [](QDialog* d) { Get<QLineEdit>(d, control_id::kRepositoryDays)->setText("50"); },
             control_id::kRepositoryDays, true, "common", "REPOSITORY_HISTORY=50\n",
             control_id::kExit},
            {[](Desk& d) { return d.FixSettings(); },
             [](QDialog* d) { Get<QCheckBox>(d, control_id::kPersistMessages)->click(); },
             control_id::kPersistMessages, true, "fix", "PersistMessages=N\n", control_id::kExit},
            {[](Desk& d) { return d.NewFixUser(); },
             [](QDialog* d) {
                 QTest::keyClicks(Get<QWidget>(d, control_id::kUserId), "77");
                 QTest::keyClicks(Get<QWidget>(d, control_id::kBranchId), "3");
             },
             control_id::kUserId, false, "fix", "TargetCompID=77,12342,3\n", nullptr},
        };
        for (const Case& c : cases) {
            Desk desk;
            const std::string path = c.file == "config" ? desk.Config()
                                     : c.file == "fix"  ? desk.Fix()
                                                        : desk.fixture.layout.CommonConfigPath();
            const std::string before = ReadFile(path);
            QDialog* d = c.open(desk);
            c.edit(d);
            EnterOn(d, c.field);
            QCOMPARE(d->isVisible(), !c.closes);
            QCOMPARE(ReadFile(path), before);
            if (c.closes) {
                c.edit(d = c.open(desk));
            }
            EnterOn(d, control_id::kSave);
            QVERIFY2(ReadFile(path).find(c.saved) != std::string::npos, c.saved);
            if (c.close) {
                EnterOn(d, c.close);
            }
            QVERIFY(!d->isVisible());
        }
        // The FIX users list: New opens the user details; the list itself is the exit step.
        Desk desk;
        CFixUserSessions* users = desk.FixUsers();
        bool detailsOpened = false;
        WhenModal<CFixUserDetails>([&](CFixUserDetails* opened) {
            detailsOpened = true;
            opened->reject();
        });
        EnterOn(users, control_id::kNewUser);
        QVERIFY(detailsOpened);
        EnterOn(users, control_id::kFixUsersList);
        QVERIFY(!users->isVisible());
    }

    // Automation finds the dialogs and their controls by these numbers (the object names):
    // they never change, whatever the code calls them.
    void eachDialogAndItsControlsCarryTheirNumbers() {
        Desk desk;
        // Each dialog's number, then its controls' in order.
        const std::pair<QDialog*, QStringList> dialogs[] = {
            {desk.Gateway(),
             {"150", "1020", "1022", "1023", "1024", "1025", "1026", "1027", "1032", "1036", "1037",
              "1038", "1039", "1040", "1095", "1096"}},
            {desk.Common(), {"151", "1020", "1028", "1029"}},
            {desk.FixUsers(), {"154", "1032", "1034", "1041", "1042", "1043", "1061", "1064"}},
            {desk.NewFixUser(), {"155", "1020", "1056", "1058", "1060"}},
            {desk.FixSettings(), {"160", "1020", "1028", "1078", "1080"}},
        };
        const QRegularExpression number("^[0-9]+$");
        for (const auto& [dialog, expected] : dialogs) {
            QStringList controls;
            for (const QWidget* control : dialog->findChildren<QWidget*>()) {
                if (number.match(control->objectName()).hasMatch()) {
                    controls << control->objectName();
                }
            }
            controls.sort();
            QCOMPARE(QStringList{dialog->objectName()} + controls, expected);
        }
    }
};

QTEST_MAIN(DialogKeysTest)
#include "DialogKeysTest.moc"
