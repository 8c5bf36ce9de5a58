// The gateway configuration dialog and `zevo-cli config set` on configuration files as they
// are found on gateway machines: CR LF line ends, values longer than their fields, bytes
// that are not UTF-8, numbers that would wrap, symbolic links, read-only files and paths
// that are no files. A save changes exactly the values the operator changed.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "config/ControlIds.h"
#include "config/GenericConfiguration.h"
#include "config/IpAddressCtrl.h"
#include "core/InstalledMarkets.h"
#include "platform/ConfigLock.h"
#include "support/CliRun.h"
#include "support/FakeHost.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "support/WidgetText.h"

using namespace testing_support;

namespace {

constexpr int kFo = 2;

// `text` with every `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// "LEVEL|message|file|operation" of the lines from the first rule check to the save's
// success line (without the source line and the time): what a save writes, whichever
// program made it.
std::vector<std::string> SaveLines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const std::string fields = WithoutLineAndTime(line);
        if (!out.empty() || fields.find("::validate_parameters") != std::string::npos) {
            out.push_back(fields);
        }
        if (fields.find("|Parameter(s) updated successfully") != std::string::npos) {
            break;
        }
    }
    return out;
}

// An FO installation (FIX enabled) in a temporary folder, and the dialog on it.
struct Machine {
    Machine() { fix_enabled[kFo - 1] = 1; }
    ~Machine() { fix_enabled[kFo - 1] = 0; }
    std::string Config() const { return layout.ConfigPath(kFo); }
    std::string Fix() const { return layout.FixConfigPath(kFo); }

    std::unique_ptr<CGenericConfiguration> Open() {
        auto dialog = std::make_unique<CGenericConfiguration>(
            kFo, Config(), Fix(), layout.InteractivePort(kFo), log.get(), &host);
        dialog->OnInitDialog();
        dialog->show();
        return dialog;
    }

    // zevo-cli config set FO with `settings`; no gateway runs.
    void Cli(const QStringList& settings) {
        std::filesystem::create_directories(dir.File("proc"));  // no process runs
        RunCli(layout, QStringList{"config", "set", "FO"} + settings, dir.File("none"),
               dir.File("proc"));
    }

    TempDir dir;
    InstallationLayout layout = LaidOut(dir.path(), {kFo}, {kFo});
    TestLog log;
    RecordingBoxes boxes;
    FakeHost host;
    std::string original = ReadFile(Config()), fixOriginal = ReadFile(Fix());
};

// The folder's names other than the configuration lock, which the first save makes.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names = ListDir(folder);
    names.erase(std::remove(names.begin(), names.end(), platform::kConfigLockName), names.end());
    return names;
}

using Replacements = std::vector<std::pair<std::string, std::string>>;

std::string Applied(std::string text, const Replacements& replacements, bool crlf = false) {
    for (const auto& [from, to] : replacements) {
        text = Replaced(text, from, to);
    }
    return crlf ? WithCrLf(text) : text;
}

struct Case {
    const char* name;
    Replacements found = {};  // how the file as found differs from the laid-out one
    bool crlf = false;
    const char* shownBrokerId = "12342";
    std::vector<std::pair<const char*, QString>> typed = {{control_id::kBoxId, "7"}};
    Replacements saved = {{"BOX_ID=100", "BOX_ID=7"}};  // how the saved file differs from it
    std::string box = "Success: Parameter(s) updated successfully in QEL configuration file.";
    bool fixChanged = false;
    std::function<void(Machine&)> arrange = {};  // links, modes
};

}  // namespace

class GatewayConfigFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void aSaveChangesExactlyWhatTheOperatorChanged() {
        const Replacements bcp = {{"CURRENT_CONFIG=PRIMARY", "CURRENT_CONFIG=BCP"}};
        const Replacements longBroker = {{"BROKER_ID=12342", "BROKER_ID=abCDEFGH"}};
        const Replacements latin1 = {{"BROKER_ID=12342", "BROKER_ID=\351AB"}};
        const auto link = [](Machine& m) {
            std::filesystem::rename(m.Config(), m.dir.File("qel_ip_fo.v2.cfg"));
            std::filesystem::create_symlink(m.dir.File("qel_ip_fo.v2.cfg"), m.Config());
        };
        const auto readOnly = [](Machine& m) { chmod(m.Config().c_str(), 0444); };
        const std::string range = " value should be greater than zero and less than or equal to ";
        const Case cases[] = {
            {"CR LF with the BCP host", bcp, true},
            {.name = "CR LF, broker changed",
             .crlf = true,
             .typed = {{control_id::kBrokerId, "999"}},
             .saved = {{"=12342", "=999"}},
             .fixChanged = true},
            // The FIX file still holds the broker ID 12342: the save brings it in line.
            {.name = "a Broker ID longer than its field",
             .found = longBroker,
             .shownBrokerId = "abCDEFGH",
             .fixChanged = true},
            {.name = "bytes that are not UTF-8",
             .found = latin1,
             .shownBrokerId = "\357\277\275AB",
             .fixChanged = true},
            {.name = "a Box ID that would wrap to 1",
             .typed = {{control_id::kBoxId, "4294967297"}},
             .saved = {},
             .box = "Error: Box ID" + range + "32767"},
            {.name = "a Host Port that would wrap to 10263",
             .typed = {{control_id::kHostPort, "4294977559"}},
             .saved = {},
             .box = "Error: Host Port" + range + "65535"},
            {.name = "a symbolic link", .arrange = link},
            {.name = "a read-only file",
             .saved = {},
             .box = "Error: QEL Setup Error.",
             .arrange = readOnly},
        };
        for (const Case& c : cases) {
            Machine m;
            const std::string found = Applied(m.original, c.found, c.crlf);
            WriteFile(m.Config(), found);
            if (c.arrange) {
                c.arrange(m);
            }
            const bool link = std::filesystem::is_symlink(m.Config());
            const std::vector<std::string> folder = Listing(m.dir.File("config"));
            auto dialog = m.Open();
            QCOMPARE(Get<QLineEdit>(dialog.get(), control_id::kBrokerId)->text().toStdString(),
                     std::string(c.shownBrokerId));
            for (const auto& [id, text] : c.typed) {
                Type(dialog.get(), id, text);
            }
            Click(dialog.get(), control_id::kSave);
            QVERIFY2(ReadFile(m.Config()) == Applied(found, c.saved, false), c.name);
            QVERIFY2(m.boxes.shown == std::vector<std::string>{c.box}, c.name);
            QVERIFY2((ReadFile(m.Fix()) != m.fixOriginal) == c.fixChanged, c.name);
            QVERIFY2(std::filesystem::is_symlink(m.Config()) == link, c.name);  // a link stays
            QVERIFY2(Listing(m.dir.File("config")) == folder, c.name);          // no temporary file
            const bool refused = c.box == "Error: QEL Setup Error.";
            QVERIFY2(m.log.CountLine("EVENT|Removing of the configuration file [" + m.Config() +
                                     "] failed. Error Code : [13]|GenericConfiguration.cpp|"
                                     "CGenericConfiguration::save_configuration_parameters") ==
                         (refused ? 1u : 0u),
                     c.name);
            QVERIFY2(ReadFile(m.log.get()->CurrentFilePath()).find('\r') == std::string::npos,
                     c.name);
        }
    }

    void aPathThatIsNoFileIsAFileThatCannotBeOpened() {
        for (const bool fifo : {false, true}) {
            Machine m;
            std::filesystem::remove(m.Config());
            QCOMPARE(fifo ? mkfifo(m.Config().c_str(), 0644) : mkdir(m.Config().c_str(), 0755), 0);
            auto dialog = m.Open();
            QVERIFY(dialog->Ended());
            QCOMPARE(m.boxes.shown, std::vector<std::string>{"Error: QEL Setup Error."});
        }
    }

    void aUtf16FileIsRefusedWithItsReason() {
        Machine m;
        std::string wide = "\xFF\xFE";
        for (char c : m.original) {
            wide += std::string{c, '\0'};
        }
        WriteFile(m.Config(), wide);
        auto dialog = m.Open();
        QVERIFY(dialog->Ended());
        const std::string why = m.Config() +
                                ": it holds UTF-16 text (byte-order mark FF FE); save it as UTF-8 "
                                "or ASCII";
        QCOMPARE(m.boxes.shown, std::vector<std::string>{"Error: QEL Setup Error.\n\n" + why});
        QCOMPARE(m.log.CountLine("EVENT|" + why +
                                 "|GenericConfiguration.cpp|CGenericConfiguration::read_"
                                 "configuration_parameters"),
                 1u);
        QCOMPARE(ReadFile(m.Config()), wide);
    }

    // The dialog and zevo-cli make the same file and the same lines from the same inputs,
    // also when the FIX file must first be recovered from an interrupted rewrite.
    void zevoCliSavesAsTheDialogDoes() {
        struct Input {
            const char* name;
            QStringList settings;
            std::vector<std::pair<const char*, QString>> typed;
            bool crlf = false;
            bool fixInterrupted = false;
        };
        const Input inputs[] = {
            {"box id with leading zeros",
             {"BOX_ID=0000000001"},
             {{control_id::kBoxId, "0000000001"}}},
            {"broker on a CR LF file", {"BROKER_ID=ab9"}, {{control_id::kBrokerId, "ab9"}}, true},
            {"broker with the FIX file recovered",
             {"BOX_ID=9", "BROKER_ID=777"},
             {{control_id::kBoxId, "9"}, {control_id::kBrokerId, "777"}},
             false,
             true},
        };
        for (const Input& input : inputs) {
            Machine m;
            const std::string config = input.crlf ? WithCrLf(m.original) : m.original;
            const std::string temporary = m.dir.File("fix/temp_QEL_FIX_FO.cfg");
            auto layOut = [&] {
                WriteFile(m.Config(), config);
                WriteFile(m.Fix(), m.fixOriginal);
                if (input.fixInterrupted) {
                    std::filesystem::rename(m.Fix(), temporary);
                }
            };
            layOut();
            auto dialog = m.Open();
            for (const auto& [id, text] : input.typed) {
                Type(dialog.get(), id, text);
            }
            Click(dialog.get(), control_id::kSave);
            const std::string dialogConfig = ReadFile(m.Config()), dialogFix = ReadFile(m.Fix());
            QVERIFY2(dialogConfig != config, input.name);
            layOut();
            m.Cli(input.settings);
            QVERIFY2(ReadFile(m.Config()) == dialogConfig, input.name);
            QVERIFY2(ReadFile(m.Fix()) == dialogFix, input.name);
            QVERIFY2(!FileExists(temporary), input.name);
            const std::vector<std::string> fromDialog =
                                               SaveLines(ReadLines(m.log.get()->CurrentFilePath())),
                                           fromCli = SaveLines(LogFolderLines(m.layout));
            QVERIFY2(fromDialog.size() > 3, input.name);
            QCOMPARE(fromCli, fromDialog);
        }
    }

    // Another writer changed the local address while the dialog was open; the operator saves
    // only the broker ID: the FIX file follows the files as they are, not the dialog's read.
    void aSaveDerivesTheFixFileFromTheFilesAsTheyAreNow() {
        Machine m;
        auto dialog = m.Open();
        m.Cli({"MACHINE_LAN_IP=10.9.8.7"});
        QCOMPARE(ValueOf(ReadFile(m.Fix()), "NicIpAddress"), std::string("10.9.8.7"));
        Type(dialog.get(), control_id::kBrokerId, "54321");
        Click(dialog.get(), control_id::kSave);
        QCOMPARE(m.boxes.shown,
                 std::vector<std::string>{"Success: Parameter(s) updated "
                                          "successfully in QEL configuration file."});
        const std::string config = ReadFile(m.Config()), fix = ReadFile(m.Fix());
        QCOMPARE(ValueOf(config, "MACHINE_LAN_IP"), std::string("10.9.8.7"));
        QCOMPARE(ValueOf(config, "BROKER_ID"), std::string("54321"));
        QCOMPARE(ValueOf(fix, "NicIpAddress"), std::string("10.9.8.7"));
        QVERIFY2(
            fix.find(",12342,") == std::string::npos && fix.find(",54321,") != std::string::npos,
            fix.c_str());
        QCOMPARE(Get<CIpAddressCtrl>(dialog.get(), control_id::kLocalIp)->Text(),
                 std::string("10.9.8.7"));
    }

    // A value the operator changed was changed by someone else too: the operator is told the
    // key and its value now, and reloads (No) or saves anyway (Yes).
    void aValueChangedBySomeoneElseIsReloadedOrSavedOverAsTheOperatorSays() {
        Machine m;
        auto dialog = m.Open();
        m.Cli({"BOX_ID=55"});
        Type(dialog.get(), control_id::kBoxId, "7");
        m.boxes.answers = {platform::IDNO};
        Click(dialog.get(), control_id::kSave);
        const std::string warning =
            "Warning: Someone else changed the configuration file since this window read it:\n"
            "BOX_ID is now 55 (this window read 100)\n\nSave your values anyway? No reloads the "
            "file and discards your changes.";
        QCOMPARE(m.boxes.shown, std::vector<std::string>{warning});
        QCOMPARE(ValueOf(ReadFile(m.Config()), "BOX_ID"), std::string("55"));
        QCOMPARE(Get<QLineEdit>(dialog.get(), control_id::kBoxId)->text(), QString("55"));
        QVERIFY(!Get<QPushButton>(dialog.get(), control_id::kSave)->isEnabled());

        m.Cli({"BOX_ID=56"});
        Type(dialog.get(), control_id::kBoxId, "8");
        m.boxes.shown.clear();
        m.boxes.answers = {platform::IDYES};
        Click(dialog.get(), control_id::kSave);
        QCOMPARE(m.boxes.shown.size(), 2u);
        QVERIFY2(
            m.boxes.shown[0].find("BOX_ID is now 56 (this window read 55)") != std::string::npos,
            m.boxes.shown[0].c_str());
        QCOMPARE(ValueOf(ReadFile(m.Config()), "BOX_ID"), std::string("8"));
    }

    // A save stopped between the gateway file and the FIX file left them disagreeing: the
    // dialog offers Save, and a save brings the FIX file in line.
    void aFixFileLeftBehindIsCompletedBySave() {
        Machine m;
        WriteFile(m.Config(), Replaced(m.original, "BROKER_ID=12342", "BROKER_ID=99999"));
        auto dialog = m.Open();
        QVERIFY(Get<QPushButton>(dialog.get(), control_id::kSave)->isEnabled());
        Click(dialog.get(), control_id::kSave);
        QCOMPARE(ReadFile(m.Fix()), Replaced(m.fixOriginal, ",12342,", ",99999,"));
        QVERIFY(!Get<QPushButton>(dialog.get(), control_id::kSave)->isEnabled());
    }

    // When the FIX file cannot follow, the gateway file is not written either.
    void aFixFileThatCannotBeWrittenStopsTheWholeSave() {
        Machine m;
        chmod(m.Fix().c_str(), 0444);
        auto dialog = m.Open();
        Type(dialog.get(), control_id::kBrokerId, "777");
        Click(dialog.get(), control_id::kSave);
        const std::string why =
            m.Fix() + " cannot be written: Permission denied: nothing was written";
        QCOMPARE(m.boxes.shown, std::vector<std::string>{"Error: " + why});
        QCOMPARE(ReadFile(m.Config()), m.original);
        QCOMPARE(ReadFile(m.Fix()), m.fixOriginal);
        QCOMPARE(m.log.CountLine("EVENT|" + why +
                                 "|GenericConfiguration.cpp|CGenericConfiguration::save_"
                                 "configuration_parameters"),
                 1u);
        QCOMPARE(m.log.CountLine("ACTIVITY|Parameter(s) updated successfully in QEL configuration "
                                 "file.|GenericConfiguration.cpp|CGenericConfiguration::save_"
                                 "configuration_parameters"),
                 0u);
    }
};

QTEST_MAIN(GatewayConfigFilesTest)
#include "GatewayConfigFilesTest.moc"
