// The gateway and common configuration dialogs and the address control, driven through their
// controls as an operator drives them.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTest>
#include <QToolTip>

#include "config/CommonConfig.h"
#include "config/ControlIds.h"
#include "config/GenericConfiguration.h"
#include "config/IpAddressCtrl.h"
#include "core/CommandIds.h"
#include "core/InstalledMarkets.h"
#include "support/FakeHost.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"

using namespace testing_support;
using platform::BoxIcon;

namespace {

const char* const kFoConfig =
    "# FO gateway\n"
    "MACHINE_LAN_IP=127.0.0.1\nMACHINE_WAN_IP=10.20.30.42\nHOST_MACHINE_IP=172.19.12.12\n"
    "PRIMARY_HOST_IP=172.19.12.12\nBCP_HOST_IP=172.29.12.12\nCURRENT_CONFIG=PRIMARY\n"
    "HOST_PORT_NUMBER=10202\nBOX_ID=100\nBROKER_ID=12342\nMAX_TWS_CLIENTS=25\n";

// `text` with its first `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

struct Dialog {
    explicit Dialog(const std::string& config = kFoConfig, int startup = 0) {
        WriteFile(path, config);
        host.boxes = &boxes;
        host.log = log.get();
        dialog = std::make_unique<CGenericConfiguration>(2, path, fixPath, port, log.get(), &host,
                                                         startup);
        dialog->OnInitDialog();
        dialog->show();
    }
    QLineEdit* Edit(const char* id) { return dialog->findChild<QLineEdit*>(id); }
    CIpAddressCtrl* Ip(const char* id) { return dialog->findChild<CIpAddressCtrl*>(id); }
    QPushButton* Button(const char* id) { return dialog->findChild<QPushButton*>(id); }
    QRadioButton* Radio(const char* id) { return dialog->findChild<QRadioButton*>(id); }
    void Type(const char* id, const QString& text) {
        testing_support::Type(dialog.get(), id, text);
    }
    void Save() { Click(dialog.get(), control_id::kSave); }
    std::string File() { return ReadFile(path); }
    // Lines "LEVEL|message|operation" of this dialog's file and class.
    size_t Logged(const std::string& line) {
        const auto bar = line.rfind('|');
        return log.CountLine(
            line.substr(0, bar) +
            "|GenericConfiguration.cpp|CGenericConfiguration::" + line.substr(bar + 1));
    }

    TempDir dir;
    std::string path = dir.File("qel_ip_fo.cfg");
    std::string fixPath = dir.File("qel_fix_fo.cfg");
    std::uint16_t port = static_cast<std::uint16_t>(FreeBasePort() + 3);  // interactive
    TestLog log;
    RecordingBoxes boxes;
    FakeHost host;
    std::unique_ptr<CGenericConfiguration> dialog;
};

struct Rule {
    std::string log;  // the message of validate_parameters, an ACTIVITY line when a field has it
    std::string box;
    const char* field;  // edited, then restored; none: neither radio button is on
    const char* typed;  // an address field's new address ("" clears it), an edit's new text
    const char* restored;
    bool bcp = false;  // with the BCP host chosen first
    BoxIcon icon = BoxIcon::Information;
};

// Types as an operator does: each key goes to the field that has the focus then.
void TypeKeys(const QString& keys) {
    for (QChar key : keys) {
        QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    }
}

// The text of an address field or an edit.
QString Text(Dialog& d, const char* id) {
    return d.Ip(id) ? QString::fromStdString(d.Ip(id)->Text()) : d.Edit(id)->text();
}

}  // namespace

class ConfigurationTest : public QObject {
    Q_OBJECT
  private slots:
    void readsTheFileIntoTheControls() {
        Dialog d;
        QCOMPARE(d.dialog->windowTitle(), QString("FO - Configuration"));
        QCOMPARE(Text(d, control_id::kLocalIp), QString("127.0.0.1"));
        QCOMPARE(Text(d, control_id::kHostIp), QString("172.19.12.12"));
        QCOMPARE(d.Edit(control_id::kHostPort)->text(), QString("10202"));
        QCOMPARE(d.Edit(control_id::kBrokerId)->text(), QString("12342"));
        QVERIFY(d.Radio(control_id::kPrimary)->isChecked());
        QVERIFY(!d.Button(control_id::kSave)->isEnabled());
        QVERIFY(!d.Ip(control_id::kBcpIp)->isVisible() &&
                !d.dialog->findChild<QLabel*>(control_id::kBcpIpLabel)->isVisible());
        QCOMPARE(d.Logged("ACTIVITY|Market type for dialog is 2 - FO|CGenericConfiguration"), 1u);
        QCOMPARE(d.Logged("ACTIVITY|Interface thread interactive port is  " +
                          std::to_string(d.port) + "|CGenericConfiguration"),
                 1u);
        QCOMPARE(d.Logged("        |BCP_HOST_IP = 172.29.12.12|read_configuration_parameters"), 1u);
    }

    void eachRuleNamesItsFieldAndRestoresIt() {
        const std::string range = " value should be greater than zero and less than or equal to ";
        const std::string above = " is not greater than zero and less than or equal to ";
        const Rule rules[] = {
            {"Local IP is blank", "Local IP can't be blank", control_id::kLocalIp, "", "127.0.0.1"},
            {"WAN IP is blank", "WAN IP can't be blank", control_id::kWanIp, "", "10.20.30.42"},
            {"Host IP is blank", "Host IP can't be blank", control_id::kHostIp, "", "172.19.12.12"},
            {"Host port is blank", "Host Port can't be blank", control_id::kHostPort, "", "10202"},
            {"BCP IP is blank", "FO - QEL Setup Error.", control_id::kBcpIp, "", "", true,
             BoxIcon::None},
            {"Box ID is blank", "Box ID can't be blank", control_id::kBoxId, "", "100"},
            {"Broker ID is blank", "Broker ID can't be blank", control_id::kBrokerId, "", "12342"},
            {"Local IP is 0.0.0.0", "Local IP can't be 0.0.0.0", control_id::kLocalIp, "0.0.0.0",
             "127.0.0.1"},
            {"WAN IP is 0.0.0.0", "WAN IP can't be 0.0.0.0", control_id::kWanIp, "0.0.0.0",
             "10.20.30.42"},
            {"Host IP is 0.0.0.0", "Host IP can't be 0.0.0.0", control_id::kHostIp, "0.0.0.0",
             "172.19.12.12"},
            {"BCP IP is 0.0.0.0", "FO - QEL Setup Error.\nBCP IP can't be 0.0.0.0",
             control_id::kBcpIp, "0.0.0.0", "172.29.12.12", true},
            {"Host port [65536]" + above + "65535", "Host Port" + range + "65535",
             control_id::kHostPort, "65536", "10202"},
            {"Host port [0]" + above + "65535", "Host Port" + range + "65535",
             control_id::kHostPort, "0", "10202"},
            {"Box ID [32768]" + above + "32767", "Box ID" + range + "32767", control_id::kBoxId,
             "32768", "100"},
            {"Invalid value of m_nRadioPrimary [-1]", "", nullptr, "", ""},
        };
        for (const Rule& rule : rules) {
            Dialog d;
            if (rule.bcp) {
                QTest::mouseClick(d.Radio(control_id::kBcp), Qt::LeftButton);
            }
            if (!rule.field) {
                for (const char* id : {control_id::kPrimary, control_id::kBcp}) {
                    d.Radio(id)->setAutoExclusive(false);
                    d.Radio(id)->setChecked(false);
                }
            } else if (!d.Ip(rule.field)) {
                d.Type(rule.field, rule.typed);
            } else if (*rule.typed) {
                d.Ip(rule.field)->SetAddress(rule.typed);
            } else {
                d.Ip(rule.field)->ClearAddress();
            }
            d.dialog->save_configuration_parameters();
            const std::string level = rule.field ? "ACTIVITY|" : "        |";
            QVERIFY2(d.Logged(level + rule.log + "|validate_parameters") == 1, rule.log.c_str());
            QCOMPARE(d.Logged("ACTIVITY|Validation(s) failed.|save_configuration_parameters"), 1u);
            if (rule.box.empty()) {
                QVERIFY(d.boxes.boxes.empty());
            } else {
                QCOMPARE(d.boxes.shown, std::vector<std::string>{"Error: " + rule.box});
                QVERIFY2(d.boxes.boxes[0].icon == rule.icon, rule.log.c_str());
            }
            QCOMPARE(rule.field ? Text(d, rule.field) : QString(), QString(rule.restored));
            QVERIFY(!d.Button(control_id::kSave)->isEnabled());
            QCOMPARE(d.File(), std::string(kFoConfig));
        }
    }

    // The menu's form starts the applications after a save; the start-up form never does.
    void boundaryValuesAreSavedInTheirOrderAndOnlyTheMenuFormStartsTheApplications() {
        for (int startup : {0, 1}) {
            Dialog d(kFoConfig, startup);
            d.Type(control_id::kHostPort, "65535");
            d.Type(control_id::kBoxId, "32767");
            QVERIFY(d.Button(control_id::kSave)->isEnabled());
            d.Save();
            QCOMPARE(d.File(),
                     Replaced(Replaced(kFoConfig, "PORT_NUMBER=10202", "PORT_NUMBER=65535"),
                              "BOX_ID=100", "BOX_ID=32767"));
            QCOMPARE(d.Logged("ACTIVITY|Not doing Blank validation for BCP IP|validate_parameters"),
                     1u);
            QCOMPARE(
                d.Logged("ACTIVITY|Not doing 0.0.0.0 validation for BCP IP|validate_parameters"),
                1u);
            // Gateway not running: the command goes before the success box.
            QCOMPARE(d.boxes.shown,
                     std::vector<std::string>{
                         "Success: Parameter(s) updated successfully in QEL configuration file."});
            QVERIFY(d.boxes.boxes[0].icon == BoxIcon::Information);
            QCOMPARE(d.host.posted, (std::vector<std::pair<int, std::size_t>>(
                                        1 - startup, {cmd::kStartApplications, 0})));
            QVERIFY(!d.Button(control_id::kSave)->isEnabled());
            QCOMPARE(d.Edit(control_id::kHostPort)->text(), QString("65535"));
        }
    }

    void brokerIdKeepsLettersAndDigitsAndCaseAloneChangesNothing() {
        Dialog d;
        d.Type(control_id::kBrokerId, "ab-1 2");
        QCOMPARE(d.Edit(control_id::kBrokerId)->text(), QString("ab12"));
        d.Type(control_id::kBrokerId, "ABCDEFG");
        QCOMPARE(d.Edit(control_id::kBrokerId)->text(), QString("ABCDE"));
        Dialog lower(Replaced(kFoConfig, "BROKER_ID=12342", "BROKER_ID=abc12"));
        lower.Type(control_id::kBrokerId, "ABC12");
        QVERIFY(!lower.Button(control_id::kSave)->isEnabled());
        lower.Type(control_id::kBrokerId, "ABC13");
        QVERIFY(lower.Button(control_id::kSave)->isEnabled());
    }

    void lowerCaseBcpSelectsBcpAndStaysAsWrittenUntilTheChoiceChanges() {
        const std::string config =
            Replaced(kFoConfig, "CURRENT_CONFIG=PRIMARY", "CURRENT_CONFIG=bcp");
        Dialog d(config);
        QVERIFY(d.Radio(control_id::kBcp)->isChecked());
        QVERIFY(d.Ip(control_id::kBcpIp)->isVisible() && !d.Ip(control_id::kBcpIp)->isEnabled() &&
                !d.Ip(control_id::kHostIp)->isVisible());
        QVERIFY(!d.Edit(control_id::kHostPort)->isEnabled());
        d.Type(control_id::kBoxId, "7");
        d.Save();
        QCOMPARE(d.File(), Replaced(config, "BOX_ID=100", "BOX_ID=7"));

        // Choosing the BCP host writes the choice in capitals and the BCP address as the
        // host in use; the dialog and its buttons stay where they were.
        Dialog primary;
        const QSize size = primary.dialog->size();
        const QPoint save = primary.Button(control_id::kSave)->pos();
        QTest::mouseClick(primary.Radio(control_id::kBcp), Qt::LeftButton);
        QApplication::processEvents();
        QCOMPARE(primary.dialog->size(), size);
        QCOMPARE(primary.Button(control_id::kSave)->pos(), save);
        primary.Save();
        QCOMPARE(primary.File(),
                 Replaced(Replaced(kFoConfig, "CURRENT_CONFIG=PRIMARY", "CURRENT_CONFIG=BCP"),
                          "HOST_MACHINE_IP=172.19.12.12", "HOST_MACHINE_IP=172.29.12.12"));

        // Back to Primary with an unknown value: the four default lines.
        Dialog backup(Replaced(config, "=bcp", "=BACKUP"));
        QVERIFY(backup.Radio(control_id::kPrimary)->isChecked());
        QCOMPARE(backup.Logged("        |Configuration (Radio Button) set to "
                               "Primary|read_configuration_parameters"),
                 1u);
    }

    void aMissingPrimaryHostShowsTheHostMachineAndIsAppended() {
        const std::string config =
            Replaced(Replaced(kFoConfig, "PRIMARY_HOST_IP=172.19.12.12\n", ""),
                     "HOST_MACHINE_IP=172.19.12.12", "HOST_MACHINE_IP=172.19.12.99");
        Dialog d(config);
        QCOMPARE(Text(d, control_id::kHostIp), QString("172.19.12.99"));
        QCOMPARE(d.Logged("EVENT|Cannot read PRIMARY_HOST_IP from config "
                          "file.|read_configuration_parameters"),
                 1u);
        QCOMPARE(
            d.Logged("     |Copying HOST_IP to PRIMARY_HOST_IP.|read_configuration_parameters"),
            1u);
        d.Type(control_id::kBoxId, "5");
        d.Save();
        QCOMPARE(d.File(),
                 Replaced(config, "BOX_ID=100", "BOX_ID=5") + "PRIMARY_HOST_IP=172.19.12.99\n");
    }

    void aRunningGatewayIsAskedFirstAndRestartedAfterTheSave() {
        Dialog d;
        d.host.running = true;
        d.boxes.answers = {platform::IDNO};
        d.Type(control_id::kBoxId, "9");
        d.Save();
        QCOMPARE(
            d.boxes.boxes[0].text,
            std::string(" QEL will restart to take changes into effect. Do you want to continue?"));
        QCOMPARE(d.boxes.boxes[0].caption, std::string("Warning"));
        QVERIFY(d.boxes.boxes[0].icon == BoxIcon::Question);
        QCOMPARE(d.boxes.boxes[0].defaultAnswer, int(platform::IDNO));
        QCOMPARE(d.Edit(control_id::kBoxId)->text(), QString("100"));  // reread: the edit is gone
        QCOMPARE(d.File(), std::string(kFoConfig));

        // Yes: saved, then the success box, the restart request, then the command.
        QTcpServer gateway;
        QVERIFY(gateway.listen(QHostAddress::LocalHost, d.port));
        d.boxes.answers = {platform::IDYES};
        d.Type(control_id::kBoxId, "9");
        d.Save();
        QCOMPARE(d.boxes.shown.back(),
                 std::string("Success: Parameter(s) updated successfully in QEL configuration "
                             "file. QEL will restart to take changes into effect."));
        QCOMPARE(d.host.posted,
                 (std::vector<std::pair<int, std::size_t>>{{cmd::kStartApplications, 3}}));
        QCOMPARE(d.log.CountLine(
                     "ACTIVITY|Attempting to connect...for market FO|GenericConfiguration.cpp|"
                     "CGenericConfiguration::kill_qel_exe"),
                 1u);
        QVERIFY(PumpUntil([&] { return gateway.hasPendingConnections(); }));
    }

    void aFileGoneBeforeTheSaveIsReportedAndTheDialogStays() {
        Dialog d;
        d.Type(control_id::kBoxId, "9");
        std::remove(d.path.c_str());
        d.Save();
        QCOMPARE(d.boxes.shown, std::vector<std::string>{"Error: QEL Setup Error."});
        QCOMPARE(d.Logged("EVENT|Couldn't open file [" + d.path +
                          "] in read mode.|save_configuration_parameters"),
                 1u);
        QCOMPARE(
            d.Logged("EVENT|ZEVO could not open QEL config file|save_configuration_parameters"),
            1u);
        QVERIFY(d.dialog->isVisible());
    }

    void cleanup() { fix_enabled[1] = 0; }

    void brokerOrLocalAddressChangesReachTheFixFile() {
        fix_enabled[1] = 1;
        Dialog d;
        const std::string fix =
            "[DEFAULT]\nNicIpAddress=127.0.0.1\n\n#BeginSession_7\n[SESSION]\n"
            "TargetCompID=7,12342,3\n#EndSession_7\n";
        WriteFile(d.fixPath, fix);
        d.Type(control_id::kBoxId, "9");  // the box ID alone leaves the FIX file alone
        d.Save();
        QCOMPARE(ReadFile(d.fixPath), fix);
        d.Type(control_id::kBrokerId, "777");
        d.Ip(control_id::kLocalIp)->SetAddress("10.1.1.5");
        d.Save();
        QCOMPARE(ReadFile(d.fixPath),
                 std::string("[DEFAULT]\nNicIpAddress=10.1.1.5\n\n#BeginSession_7\n[SESSION]\n"
                             "TargetCompID=7,777,3\n#EndSession_7\n"));
    }

    void addressControlFollowsTheKeys() {
        CIpAddressCtrl control;
        control.show();
        control.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&control));
        int changes = 0;
        connect(&control, &CIpAddressCtrl::fieldChanged, [&] { ++changes; });
        QCOMPARE(control.Text(), std::string());
        control.Field(0)->setFocus();
        TypeKeys("10.25512");  // the third digit of a field moves on to the next
        QCOMPARE(control.Text(), std::string("10.255.12.0"));
        QVERIFY(changes > 0);
        TypeKeys("3999");  // a fourth digit goes on into the next field; above 255 is 255
        QCOMPARE(control.Text(), std::string("10.255.123.255"));
        // Backspace in an empty field moves back.
        control.Field(3)->clear();
        control.Field(3)->setFocus();
        QTest::keyClick(control.Field(3), Qt::Key_Backspace);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(control.Field(2)));
        QTest::keyClick(control.Field(2), Qt::Key_Backspace);
        QCOMPARE(control.Text(), std::string("10.255.12.0"));
        QApplication::clipboard()->setText("192.168.1.20");
        control.Field(0)->setFocus();
        QTest::keyClick(control.Field(0), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(control.Text(), std::string("192.168.1.20"));
        // An address no field could hold is refused whole, never turned into another one, and
        // the field says why.
        const std::pair<const char*, const char*> refused[] = {
            {"256.1.300.4", "256"}, {"1.2.3.4444", "4444"}, {"1.2.-3.4", "-3"}, {"1.2..4", ""}};
        for (const auto& [pasted, part] : refused) {
            QApplication::clipboard()->setText(pasted);
            QTest::keyClick(control.Field(0), Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(control.Text(), std::string("192.168.1.20"));
            QCOMPARE(QToolTip::text(),
                     QString("Not pasted: \"%1\" is not a number from 0 to 255").arg(part));
        }
    }

    void commonConfigurationKeepsItsDaysFromOneToNineThousand() {
        TempDir dir;
        TestLog log;
        RecordingBoxes boxes;
        const std::string path = dir.File("common.cfg");
        WriteFile(path, "OTHER=1\n");
        CCommonConfig dialog(100, path, log.get());
        dialog.OnInitDialog();
        auto* field = dialog.findChild<QLineEdit*>(control_id::kRepositoryDays);
        auto* save = dialog.findChild<QPushButton*>(control_id::kSave);
        QCOMPARE(field->text(), QString("0"));
        QVERIFY(!save->isEnabled());
        QCOMPARE(
            log.CountLine("EVENT|Cannot read REPOSITORY_HISTORY from config file.|CommonConfig.cpp|"
                          "CCommonConfig::read_configuration_parameters"),
            1u);
        Type(&dialog, control_id::kRepositoryDays, "0030");
        QVERIFY(save->isEnabled());
        dialog.save_configuration_parameters();
        QCOMPARE(ReadFile(path), std::string("OTHER=1\nREPOSITORY_HISTORY=30\n"));
        QCOMPARE(boxes.shown,
                 std::vector<std::string>{
                     "Success: Parameter(s) updated successfully in configuration file."});
        Type(&dialog, control_id::kRepositoryDays, "0030");
        QVERIFY(!save->isEnabled());  // the same number
        field->clear();
        QVERIFY(save->isEnabled());
        dialog.save_configuration_parameters();
        QCOMPARE(boxes.shown.back(), std::string("Error: Repository history value can't be blank"));
        QCOMPARE(field->text(), QString("30"));
        Type(&dialog, control_id::kRepositoryDays, "0");
        dialog.save_configuration_parameters();
        QCOMPARE(boxes.shown.back(),
                 std::string("Error: Value of Repository history should be greater than zero (0)"));
        QCOMPARE(field->text(), QString("30"));
        Type(&dialog, control_id::kRepositoryDays, "12345");  // four digits can be typed
        QCOMPARE(field->text(), QString("1234"));
        QCOMPARE(ReadFile(path), std::string("OTHER=1\nREPOSITORY_HISTORY=30\n"));
        // A stored value longer than the field is shown whole and cannot be made longer.
        WriteFile(path, "REPOSITORY_HISTORY=12345\r\n");
        dialog.read_configuration_parameters();
        QCOMPARE(field->text(), QString("12345"));
        QVERIFY(!save->isEnabled());
        field->end(false);
        QTest::keyClicks(field, "6");
        QCOMPARE(field->text(), QString("12345"));
    }
};

QTEST_MAIN(ConfigurationTest)
#include "ConfigurationTest.moc"
