// The FIX users list, the FIX user details and the FIX configuration dialogs, driven through
// their controls by id over real files; restart requests go to a gateway's port on loopback.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "FixEngineCheck.h"
#include "config/ControlIds.h"
#include "config/FixConfiguration.h"
#include "config/FixUserDetails.h"
#include "config/FixUserSessions.h"
#include "link/MessageFrame.h"
#include "support/CliRun.h"
#include "support/FakeHost.h"
#include "support/FixText.h"
#include "support/GuiFixture.h"
#include "support/OtherWriter.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"

using namespace testing_support;
using platform::BoxIcon;

namespace {

const std::string kConfig = "BROKER_ID=12342\nFIX_LOGGING=Y\nMAX_TWS_CLIENTS=25\n";
// Branch IDs whose number order differs from their text order.
const std::string kUsers = kFixDefault + Block(205, 4) + Block(101, 9) + Block(102, 30);

// A market's two files in a folder, the log, the boxes and the host the dialogs are given.
struct Market {
    explicit Market(const std::string& fix = kUsers, const std::string& config = kConfig) {
        WriteFile(fixPath, fix);
        WriteFile(configPath, config);
    }
    // The dialog, set up and shown; it lives as long as the market.
    template <typename Dialog>
    Dialog* Open(int market = 2, std::uint16_t port = 1) {
        return Shown(std::make_unique<Dialog>(market, configPath, fixPath, port, log.get(), &host));
    }
    CFixUserDetails* Details(const char* user, const char* branch) {
        return Shown(std::make_unique<CFixUserDetails>(2, user, "12342", branch, fixPath,
                                                       *user ? 2 : 1, log.get()));
    }
    template <typename Dialog>
    Dialog* Shown(std::unique_ptr<Dialog> dialog) {
        dialog->OnInitDialog();
        dialog->show();
        dialogs.push_back(std::move(dialog));
        return static_cast<Dialog*>(dialogs.back().get());
    }
    TempDir dir;
    std::string fixPath = dir.File("qel_fix_fo.cfg");
    std::string configPath = dir.File("qel_ip_fo.cfg");
    std::string temporary = dir.File("temp_QEL_FIX_FO.cfg");
    TestLog log;
    RecordingBoxes boxes;
    FakeHost host;
    std::vector<std::unique_ptr<QWidget>> dialogs;
};

QTreeWidget* List(QWidget* dialog) {
    return Get<QTreeWidget>(dialog, control_id::kFixUsersList);
}

void ClickHeading(QWidget* dialog, int column) {
    QHeaderView* header = List(dialog)->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, 5));
}

// Clicks (or double-clicks) the user's row.
void ClickRow(QWidget* dialog, const QString& user, bool twice = false) {
    QTreeWidget* list = List(dialog);
    const QPoint row =
        list->visualItemRect(list->findItems(user, Qt::MatchExactly).front()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    if (twice) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    }
}

// Clicks a check box on its indicator.
void Toggle(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
}

}  // namespace

class FixDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { TrustOwnGateways(); }
    // The FIX dialogs keep their designed size (no resize, no maximize); the users list marks
    // no row as current until one is chosen, so what looks chosen is what Edit takes.
    void fixDialogsKeepTheirSizeAndMarkNoRowUnchosen() {
        Market m;
        auto* users = m.Open<CFixUserSessions>();
        const std::vector<QDialog*> dialogs = {users, m.Open<CFixConfiguration>(),
                                               m.Details("101", "1")};
        for (QDialog* dialog : dialogs) {
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
            QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        }
        users->activateWindow();
        List(users)->setFocus();
        QVERIFY(PumpUntil([&] { return List(users)->hasFocus(); }));
        QVERIFY(PumpUntil([&] { return !List(users)->currentIndex().isValid(); }));
        QTest::keyClick(List(users), Qt::Key_Down);
        QCOMPARE(List(users)->selectedItems().size(), 1);
    }

    void usersListShowsBrokerCountAndSortsByHeading() {
        const char* const titles[] = {"FIX Users - CM", "FIX Users- FO", "FIX Users- WDM",
                                      "FIX Users- IPO", "FIX Users- CD", "FIX Users- SLBM",
                                      "FIX Users- MF"};
        Market m;
        for (int market = 1; market <= 7; ++market) {
            QCOMPARE(m.Open<CFixUserSessions>(market)->windowTitle(), QString(titles[market - 1]));
        }
        auto* d = m.Open<CFixUserSessions>();
        QCOMPARE(Get<QLabel>(d, control_id::kFixBrokerId)->text(), QString("12342"));
        QCOMPARE(Get<QLabel>(d, control_id::kUserCount)->text(), QString("3"));
        QCOMPARE(Column(List(d), 0), (QStringList{"101", "102", "205"}));
        for (int column : {0, 1}) {
            QVERIFY(List(d)->columnWidth(column) >
                    List(d)->fontMetrics().horizontalAdvance("2147483647"));
        }
        ClickHeading(d, 0);
        QCOMPARE(Column(List(d), 0), (QStringList{"205", "102", "101"}));
        ClickHeading(d, 0);
        QCOMPARE(Column(List(d), 0), (QStringList{"101", "102", "205"}));
        ClickHeading(d, 1);
        QCOMPARE(Column(List(d), 1), (QStringList{"4", "9", "30"}));
        QCOMPARE(Column(List(d), 0), (QStringList{"205", "101", "102"}));
    }

    void newStopsAtTheUserLimitAndEditDeleteNeedARow() {
        const std::tuple<std::string, std::string, const char*> cases[] = {
            {kFixDefault, "BROKER_ID=1\nMAX_TWS_CLIENTS=0\n", "0"},
            {kUsers, "BROKER_ID=1\nMAX_TWS_CLIENTS=3\n", "3"},
        };
        for (const auto& [fix, config, count] : cases) {
            Market m(fix, config);
            auto* d = m.Open<CFixUserSessions>();
            QCOMPARE(Get<QLabel>(d, control_id::kUserCount)->text(), QString(count));
            QCOMPARE(Get(d, control_id::kEditUser)->isEnabled(), fix != kFixDefault);
            Click(d, control_id::kNewUser);
            QCOMPARE(m.boxes.shown, std::vector<std::string>{
                                        "Error: Maximum User limit is reached. New User cannot "
                                        "be added."});
            QVERIFY(m.boxes.boxes[0].icon == BoxIcon::Information);
        }
        Market m;
        auto* d = m.Open<CFixUserSessions>();
        d->OnButtonEdit();
        d->OnButtonDelete();
        QCOMPARE(m.boxes.shown, std::vector<std::string>(2, "Alert: No item is selected!"));
        QVERIFY(m.boxes.boxes[1].icon == BoxIcon::Warning);
    }

    void deleteKeyAsksAndRemovesTheBlock() {
        Market m;
        m.boxes.answers = {platform::IDNO, platform::IDYES};
        auto* d = m.Open<CFixUserSessions>();
        ClickRow(d, "101");
        QTest::keyClick(List(d), Qt::Key_Delete);
        QCOMPARE(ReadFile(m.fixPath), kUsers);
        // The list was read again: select again.
        ClickRow(d, "101");
        QTest::keyClick(List(d), Qt::Key_Delete);
        QCOMPARE(m.boxes.shown, std::vector<std::string>(
                                    2, "Delete: Are you sure you want to delete User ID 101?"));
        QVERIFY(m.boxes.boxes[0].icon == BoxIcon::Question &&
                m.boxes.boxes[0].buttons == platform::BoxButtons::YesNo);
        std::string expected = kFixDefault + Block(205, 4) + Block(102, 30);
        QCOMPARE(ReadFile(m.fixPath), expected.substr(0, expected.size() - 1));
        QCOMPARE(Column(List(d), 0), (QStringList{"102", "205"}));
        QCOMPARE(Get<QLabel>(d, control_id::kUserCount)->text(), QString("2"));
        Click(d, control_id::kExit2);  // gateway stopped: no restart
        QVERIFY(!d->isVisible() && m.boxes.boxes.size() == 2);
    }

    void newUserWithLeadingZerosAndAnEditByDoubleClick() {
        Market m(kFixDefault + Block(101, 9, "999"));
        auto* d = m.Open<CFixUserSessions>();
        WhenModal<CFixUserDetails>([](CFixUserDetails* details) {
            QVERIFY(Get<QLineEdit>(details, control_id::kUserId)->isEnabled());
            Type(details, control_id::kUserId, "0012");
            Type(details, control_id::kBranchId, "07");
            Click(details, control_id::kSave);
        });
        Click(d, control_id::kNewUser);
        QCOMPARE(ReadFile(m.fixPath), kFixDefault + Block(101, 9, "999") + Block(12, 7));
        QCOMPARE(Column(List(d), 0), (QStringList{"12", "101"}));

        WhenModal<CFixUserDetails>([](CFixUserDetails* details) {
            QCOMPARE(Get<QLineEdit>(details, control_id::kUserId)->text(), QString("101"));
            QVERIFY(!Get<QLineEdit>(details, control_id::kUserId)->isEnabled());
            Type(details, control_id::kBranchId, "5");
            Click(details, control_id::kSave);
        });
        ClickRow(d, "101", true);
        // The stale broker part takes the list's broker ID.
        QCOMPARE(ReadFile(m.fixPath), kFixDefault + Block(101, 5) + Block(12, 7));
        QCOMPARE(
            m.log.CountLine("ACTIVITY|TargetCompID=101,12342,5 set for Trader ID 101|"
                            "FixUserDetails.cpp|CFixUserDetails::SaveFixConfigurationParameters"),
            1u);
    }

    void detailsRefuseBlankZeroAndDuplicateUsers() {
        struct Refusal {
            const char *user, *branch, *typedUser, *typedBranch, *box, *field, *restored;
            std::string logged;
            BoxIcon icon = BoxIcon::Information;
        };
        const std::string exists = " failed as that trader id already exists.";
        const Refusal refusals[] = {
            {"", "", "", "5", "User ID can't be blank", control_id::kUserId, "",
             "Trader ID is blank"},
            {"", "", "5", "", "Branch ID can't be blank", control_id::kBranchId, "",
             "Branch ID is blank"},
            {"", "", "000", "5", "User ID can't be zero", control_id::kUserId, "",
             "Trader ID is Zero."},
            {"101", "9", "101", "0", "Branch ID can't be zero", control_id::kBranchId, "9",
             "Branch ID is Zero."},
            {"101", "9", "101", "", "Branch ID can't be blank", control_id::kBranchId, "9",
             "Branch ID is blank"},
            {"", "", "101", "4", "User ID 101 already exists.\n", control_id::kUserId, "",
             "Addition of trader id 101" + exists, BoxIcon::Warning},
            // A session without markers, its user written with leading zeros.
            {"", "", "300", "4", "User ID 300 already exists.\n", control_id::kUserId, "",
             "Addition of trader id 300" + exists, BoxIcon::Warning},
        };
        const std::string fix = kUsers + "\n[SESSION]\nTargetCompID=0300,12342,1\n";
        for (const Refusal& refusal : refusals) {
            Market m(fix);
            auto* d = m.Details(refusal.user, refusal.branch);
            if (!*refusal.user) {  // an edited user's ID cannot be changed
                Type(d, control_id::kUserId, refusal.typedUser);
            }
            Type(d, control_id::kBranchId, refusal.typedBranch);
            Click(d, control_id::kSave);
            QCOMPARE(m.boxes.shown, std::vector<std::string>{std::string("Error: ") + refusal.box});
            QVERIFY(m.boxes.boxes[0].icon == refusal.icon);
            QCOMPARE(Get<QLineEdit>(d, refusal.field)->text(), QString(refusal.restored));
            QVERIFY(!Get(d, control_id::kSave)->isEnabled() && d->isVisible());
            QCOMPARE(ReadFile(m.fixPath), fix);
            QVERIFY(!FileExists(m.temporary));
            QCOMPARE(
                m.log.Count("ACTIVITY|" + refusal.logged) + m.log.Count("EVENT|" + refusal.logged),
                1u);
        }
        Market m;
        auto* d = m.Details("", "");
        Type(d, control_id::kUserId, "0");  // the same number as the empty initial text
        QVERIFY(!Get(d, control_id::kSave)->isEnabled());
        Type(d, control_id::kUserId, "1234567");
        Type(d, control_id::kBranchId, "12x34");
        QCOMPARE(Get<QLineEdit>(d, control_id::kUserId)->text() +
                     Get<QLineEdit>(d, control_id::kBranchId)->text(),
                 QString("12345123"));
    }

    // A stored ID longer than the field's typing limit is shown whole and saved as it was.
    // Another writer holds the configuration: the details say who and keep the operator's
    // input; once it is done, Save writes the broker ID the gateway file holds by then.
    void detailsWaitForAnotherWriterAndTakeTheBrokerIdAsItIsNow() {
        Market m;
        auto* d = m.Open<CFixUserSessions>();
        const platform::LockWait previous = platform::SetLockWait({200, {}});
        auto other = std::make_unique<OtherWriter>(std::vector<std::string>{m.configPath});
        QVERIFY(other->Held());
        const std::string holder = "fix_dialogs_tes (pid " + std::to_string(other->Pid());
        WriteFile(m.configPath, "BROKER_ID=55555\nFIX_LOGGING=Y\nMAX_TWS_CLIENTS=25\n");
        WhenModal<CFixUserDetails>([&](CFixUserDetails* details) {
            Type(details, control_id::kUserId, "300");
            Type(details, control_id::kBranchId, "2");
            Click(details, control_id::kSave);
            QVERIFY(details->isVisible());
            other.reset();
            Click(details, control_id::kSave);
        });
        Click(d, control_id::kNewUser);
        platform::SetLockWait(previous);
        QCOMPARE(m.boxes.shown.size(), 1u);
        QVERIFY2(m.boxes.shown[0].rfind("Error: " + platform::FolderOfFileBehind(m.fixPath) +
                                            " is being changed by " + holder,
                                        0) == 0,
                 m.boxes.shown[0].c_str());
        QVERIFY2(m.boxes.shown[0].find(": nothing was written") != std::string::npos,
                 m.boxes.shown[0].c_str());
        QCOMPARE(ReadFile(m.fixPath), kUsers + Block(300, 2, "55555"));
    }

    void detailsKeepAStoredUserIdLongerThanTheLimit() {
        const std::string others = kFixDefault + Block(12345, 1);
        Market m(others + Block(123456, 2));
        auto* d = m.Details("123456", "2");
        QCOMPARE(Get<QLineEdit>(d, control_id::kUserId)->text(), QString("123456"));
        Type(d, control_id::kBranchId, "5");
        Click(d, control_id::kSave);
        QCOMPARE(ReadFile(m.fixPath), others + Block(123456, 5));
    }

    // Each save on a FIX file without write permission: the file stays, the line says why
    // and the dialog ends with -1.
    void aReadOnlyFixFileStaysAndEndsTheDialog() {
        const std::pair<const char*, std::function<QDialog*(Market&)>> saves[] = {
            {"FixUserDetails.cpp|CFixUserDetails::SaveFixConfigurationParameters",
             [](Market& m) -> QDialog* {
                 auto* d = m.Details("101", "9");
                 Type(d, control_id::kBranchId, "5");
                 Click(d, control_id::kSave);
                 return d;
             }},
            {"FixUserSessions.cpp|CFixUserSessions::OnButtonDelete",
             [](Market& m) -> QDialog* {
                 m.boxes.answers = {platform::IDYES};
                 auto* d = m.Open<CFixUserSessions>();
                 ClickRow(d, "101");
                 QTest::keyClick(List(d), Qt::Key_Delete);
                 return d;
             }},
            {"FixConfiguration.cpp|CFixConfiguration::SaveFixConfigurationParameters",
             [](Market& m) -> QDialog* {
                 auto* d = m.Open<CFixConfiguration>();
                 Toggle(Get<QCheckBox>(d, control_id::kPersistMessages));
                 Click(d, control_id::kSave);
                 return d;
             }},
        };
        for (const auto& [where, save] : saves) {
            Market m;
            QCOMPARE(chmod(m.fixPath.c_str(), 0444), 0);
            QDialog* d = save(m);
            QVERIFY(!d->isVisible());
            QCOMPARE(d->result(), -1);
            QCOMPARE(ReadFile(m.fixPath), kUsers);
            // No temporary file; the configuration lock stays for the next writer.
            QCOMPARE(
                ListDir(m.dir.path()),
                (std::vector<std::string>{".zevo-config.lock", "qel_fix_fo.cfg", "qel_ip_fo.cfg"}));
            QCOMPARE(m.log.CountLine("SYSTEM_ERROR|Removing of the configuration file [" +
                                     m.fixPath + "] failed. Error Code : [13] |" + where),
                     1u);
        }
    }

    // A FIX path naming a folder or a FIFO is a file that cannot be opened; nothing waits.
    void aFixPathThatIsNoFileCannotBeOpened() {
        const std::pair<std::function<int(Market&)>, const char*> opens[] = {
            {[](Market& m) {
                 return CFixUserSessions(2, m.configPath, m.fixPath, 1, m.log.get(), &m.host)
                     .DoModal();
             },
             "Error: Can not open FIX config file"},
            {[](Market& m) {
                 return CFixConfiguration(2, m.configPath, m.fixPath, 1, m.log.get(), &m.host)
                     .DoModal();
             },
             "Error: QEL Setup Error."},
        };
        for (const bool fifo : {false, true}) {
            for (const auto& [open, box] : opens) {
                Market m;
                QCOMPARE(std::remove(m.fixPath.c_str()), 0);
                QCOMPARE(fifo ? mkfifo(m.fixPath.c_str(), 0644) : mkdir(m.fixPath.c_str(), 0755),
                         0);
                QCOMPARE(open(m), -1);
                QCOMPARE(m.boxes.shown, std::vector<std::string>{box});
                QCOMPARE(m.log.Count("SYSTEM_ERROR|Couldn't open file [" + m.fixPath +
                                     "] in read mode."),
                         1u);
            }
        }
    }

    void fixConfigurationReadsTogglesAndSaves() {
        const std::tuple<std::string, std::string, bool, bool, const char*> reads[] = {
            {"PersistMessages=y\n", "FIX_LOGGING=N\n", true, false, ""},
            {"PersistMessages=YES\n", "FIX_LOGGING=Y\n", true, true,
             "        |Unknown value of PersistMessages flag"},
            {"PersistMessages=N\n", "FIX_LOGGING=YESSS\n", false, true,
             "EVENT|Cannot read FIX_LOGGING from QEL config file."},
        };
        for (const auto& [persist, logging, persistChecked, loggingChecked, line] : reads) {
            Market m(kFixEngine + persist, logging);
            auto* d = m.Open<CFixConfiguration>();
            QCOMPARE(Get<QCheckBox>(d, control_id::kPersistMessages)->isChecked(), persistChecked);
            QCOMPARE(Get<QCheckBox>(d, control_id::kFixLogging)->isChecked(), loggingChecked);
            QVERIFY(!*line || m.log.Count(line) == 1);
        }
        Market m(kFixEngine + "PersistMessages=y\n");
        QCOMPARE(m.Open<CFixConfiguration>(1)->windowTitle(), QString("FIX Configuration - CM"));
        auto* d = m.Open<CFixConfiguration>();
        QCOMPARE(d->windowTitle(), QString("FIX Configuration- FO"));
        auto* persist = Get<QCheckBox>(d, control_id::kPersistMessages);
        Toggle(persist);
        QVERIFY(Get(d, control_id::kSave)->isEnabled());
        Toggle(persist);
        QVERIFY(!Get(d, control_id::kSave)->isEnabled());
        Toggle(Get<QCheckBox>(d, control_id::kFixLogging));
        Click(d, control_id::kSave);
        QCOMPARE(ReadFile(m.configPath),
                 std::string("BROKER_ID=12342\nFIX_LOGGING=N\nMAX_TWS_CLIENTS=25\n"));
        QCOMPARE(ReadFile(m.fixPath), kFixEngine + "PersistMessages=y\n");
        Toggle(persist);
        Click(d, control_id::kSave);
        QCOMPARE(ReadFile(m.fixPath), kFixEngine + "PersistMessages=N\n");
        QCOMPARE(m.boxes.shown,
                 std::vector<std::string>(2,
                                          "Success: Parameter(s) updated successfully in "
                                          "configuration file."));
        QVERIFY(!persist->isChecked() && !Get(d, control_id::kSave)->isEnabled());
        QCOMPARE(m.log.Count("ACTIVITY|Attempting to connect...for market FO"), 0u);
    }

    void anyFixDialogRestoresTheFileFromTheTemporaryFile() {
        const std::function<void(Market&)> opens[] = {
            [](Market& m) { m.Open<CFixUserSessions>(); },
            [](Market& m) { m.Open<CFixConfiguration>(); },
            [](Market& m) { m.Details("", ""); },
        };
        for (const auto& open : opens) {
            Market m;
            std::rename(m.fixPath.c_str(), m.temporary.c_str());
            open(m);
            QCOMPARE(ReadFile(m.fixPath), kUsers);
            QVERIFY(!FileExists(m.temporary));
        }
        Market m;
        std::remove(m.fixPath.c_str());
        CFixUserSessions users(2, m.configPath, m.fixPath, 1, m.log.get(), &m.host);
        QCOMPARE(users.DoModal(), -1);
        QCOMPARE(m.log.Count("SYSTEM_ERROR|Temp file for Fix Config is not present"), 1u);
        QCOMPARE(m.boxes.shown, std::vector<std::string>{"Error: Can not open FIX config file"});
    }

    // zevo-cli's fix add, edit and delete write what the dialogs write for the same input: a
    // file the FIX engine loads with the users the list shows.
    void cliWritesWhatTheDialogsWrite() {
        TempDir dir;
        const InstallationLayout layout = LaidOut(dir.File("qel"), {2}, {2});
        const std::string cliFile = layout.FixConfigPath(2);
        Market m(ReadFile(cliFile), ReadFile(layout.ConfigPath(2)));
        const auto sameAsCli = [&](const QStringList& arguments) {
            const CliResult run =
                RunCli(layout, QStringList{"fix"} + arguments + QStringList{"--no-restart"},
                       layout.ServiceDir());
            QCOMPARE(run.status, 0);
            QCOMPARE(ReadFile(cliFile), ReadFile(m.fixPath));
        };
        auto* d = m.Open<CFixUserSessions>();
        WhenModal<CFixUserDetails>([](CFixUserDetails* details) {
            Type(details, control_id::kUserId, "0012");
            Type(details, control_id::kBranchId, "07");
            Click(details, control_id::kSave);
        });
        Click(d, control_id::kNewUser);
        sameAsCli({"add", "FO", "0012", "07"});
        WhenModal<CFixUserDetails>([](CFixUserDetails* details) {
            Type(details, control_id::kBranchId, "5");
            Click(details, control_id::kSave);
        });
        ClickRow(d, "101", true);
        sameAsCli({"edit", "FO", "101", "5"});
        m.boxes.answers = {platform::IDYES};
        ClickRow(d, "205");  // the file's last block
        QTest::keyClick(List(d), Qt::Key_Delete);
        sameAsCli({"delete", "FO", "205"});
        std::set<std::string> sessions;
        std::string error;
        QVERIFY2(fix_engine::LoadFixSettings(ReadFile(cliFile), &sessions, &error), error.c_str());
        std::set<std::string> listed;
        for (int row = 0; row < List(d)->topLevelItemCount(); ++row) {
            listed.insert(List(d)->topLevelItem(row)->text(0).toStdString() + "," +
                          Get<QLabel>(d, control_id::kFixBrokerId)->text().toStdString() + "," +
                          List(d)->topLevelItem(row)->text(1).toStdString());
        }
        QCOMPARE(sessions, listed);
        QCOMPARE(listed.size(), std::size_t{3});
    }

    // With the gateway running, a saved change sends it the restart request, from each dialog.
    void savesSendTheRunningGatewayTheRestartRequest() {
        Market m;
        m.host.running = true;
        QTcpServer gateway;
        QVERIFY(gateway.listen(QHostAddress::LocalHost));
        const auto bytes = BuildHeadersOnlyRequest(2, kRestartRequest);
        const QByteArray request(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const auto received = [&] {  // what the gateway reads on its next connection
            QTcpSocket* socket = nullptr;
            PumpUntil([&] {
                socket = socket ? socket : gateway.nextPendingConnection();
                return socket && socket->bytesAvailable() >= request.size();
            });
            return socket ? socket->readAll() : QByteArray();
        };
        auto* configuration = m.Open<CFixConfiguration>(2, gateway.serverPort());
        Toggle(Get<QCheckBox>(configuration, control_id::kPersistMessages));
        Click(configuration, control_id::kSave);
        QCOMPARE(m.boxes.shown.back(),
                 std::string("Success: Parameter(s) updated successfully in configuration file. "
                             "QEL will restart to take changes into effect."));
        QCOMPARE(received(), request);
        QCOMPARE(m.log.CountLine("ACTIVITY|Request to kill qel sent.|FixConfiguration.cpp|"
                                 "CFixConfiguration::OnConnectionEstablished"),
                 1u);

        m.boxes.answers = {platform::IDYES};
        auto* users = m.Open<CFixUserSessions>(2, gateway.serverPort());
        ClickRow(users, "101");
        QTest::keyClick(List(users), Qt::Key_Delete);
        Click(users, control_id::kExit2);
        QCOMPARE(m.boxes.shown.back(),
                 std::string("Alert: QEL will restart to take changes into effect."));
        QCOMPARE(received(), request);
        QVERIFY(PumpUntil([&] { return !users->isVisible(); }));  // ends itself once sent
    }
};

QTEST_MAIN(FixDialogsTest)
#include "FixDialogsTest.moc"
