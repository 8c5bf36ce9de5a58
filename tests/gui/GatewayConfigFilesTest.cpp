// The gateway configuration dialog and `zevo-cli config set` on configuration files as they
// are found on gateway machines: CR LF line ends, values longer than their fields, bytes
// that are not UTF-8, numbers that would wrap, symbolic links, read-only files and paths
// that are no files. A save changes exactly the values the operator changed.
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "InstallationLayout.h"
#include "config/GenericConfiguration.h"
#include "core/GatewayHost.h"
#include "core/InstalledMarkets.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"

using namespace testing_support;

namespace {

constexpr int kFo = 2;

struct QuietHost final : GatewayHost {
    bool IsGatewayRunning(int) const override { return false; }
    void PostCommand(int) override {}
    ActivityLog* Log() const override { return nullptr; }
};

// `text` with every `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string Crlf(const std::string& text) {
    return Replaced(text, "\n", "\r\n");
}

// "LEVEL|message|file|operation" of the lines from the first rule check to the save's
// success line: what a save writes, whichever program made it.
std::vector<std::string> SaveLines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    bool inSave = false;
    for (const std::string& line : lines) {
        // Level (or the detail line's indent), message, file and operation; not the source
        // line nor the time.
        std::string fields;
        std::size_t start = 0;
        for (int field = 0; field < 4 && start <= line.size(); ++field) {
            const std::size_t bar = std::min(line.find('|', start), line.size());
            fields += (field ? "|" : "") + line.substr(start, bar - start);
            start = bar + 1;
        }
        inSave = inSave || fields.find("::validate_parameters") != std::string::npos;
        if (inSave) {
            out.push_back(fields);
        }
        if (fields.find("|Parameter(s) updated successfully") != std::string::npos) {
            break;
        }
    }
    return out;
}

// Names of left-over temporary files in a folder.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : ListDir(folder)) {
        if (name.find(".tmp.") != std::string::npos || name.rfind("temp_", 0) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

// An FO installation (FIX enabled) in a temporary folder, and the dialog on it.
struct Machine {
    Machine() {
        layout.root = dir.path();
        layout.markets = {kFo};
        layout.fixMarkets = {kFo};
        layout.basePort = FreeBasePort();
        layout.Write();
        fix_enabled[kFo - 1] = 1;
        original = ReadFile(Config());
        fixOriginal = ReadFile(Fix());
    }
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
    static void Type(QDialog& dialog, const char* id, const QString& text) {
        auto* edit = dialog.findChild<QLineEdit*>(id);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static QString Shown(QDialog& dialog, const char* id) {
        return dialog.findChild<QLineEdit*>(id)->text();
    }
    static void Save(QDialog& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>("1020"), Qt::LeftButton);
    }

    // zevo-cli config set FO with `settings`; no gateway runs.
    int Cli(const QStringList& settings) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
        environment.insert("QEL_IP_SERVICE_DIR", QString::fromStdString(dir.File("none")));
        std::filesystem::create_directories(dir.File("proc"));  // no process runs
        environment.insert("QEL_IP_PROC_ROOT", QString::fromStdString(dir.File("proc")));
        process.setProcessEnvironment(environment);
        process.start(ZEVO_CLI_PATH, QStringList{"config", "set", "FO"} + settings);
        process.waitForFinished(30000);
        return process.exitCode();
    }
    std::vector<std::string> CliLogLines() const {
        std::vector<std::string> lines;
        for (const std::string& name : ListDir(layout.LogDir())) {
            for (const std::string& line : ReadLines(layout.LogDir() + "/" + name)) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    TempDir dir;
    InstallationLayout layout;
    TestLog log;
    RecordingBoxes boxes;
    QuietHost host;
    std::string original, fixOriginal;
};

struct Case {
    const char* name;
    std::function<std::string(const std::string&)> file;  // the file as found
    std::function<void(Machine&)> arrange;                // links, modes
    const char* shownBrokerId;
    std::vector<std::pair<const char*, QString>> typed;
    std::function<std::string(const std::string&)> after;  // of the file as found
    std::vector<std::string> boxes;
    bool fixChanged = false;
    bool link = false;
};

}  // namespace

class GatewayConfigFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void aSaveChangesExactlyWhatTheOperatorChanged() {
        const auto same = [](const std::string& text) { return text; };
        const auto box7 = [](const std::string& text) {
            return Replaced(text, "BOX_ID=100", "BOX_ID=7");
        };
        const auto asRead = [](const std::string& from, const std::string& to) {
            return [=](const std::string& text) { return Replaced(text, from, to); };
        };
        const std::string saved =
            "Success: Parameter(s) updated successfully in QEL configuration "
            "file.";
        const Case cases[] = {
            {"CR LF, the BCP host chosen: only the Box ID line changes, CR LF kept",
             [](const std::string& text) {
                 return Crlf(Replaced(text, "CURRENT_CONFIG=PRIMARY", "CURRENT_CONFIG=BCP"));
             },
             {},
             "12342",
             {{"1026", "7"}},
             [](const std::string& text) {
                 return Crlf(
                     Replaced(Replaced(text, "CURRENT_CONFIG=PRIMARY", "CURRENT_CONFIG=BCP"),
                              "BOX_ID=100", "BOX_ID=7"));
             },
             {saved}},
            {"CR LF, broker changed: the line keeps its CR LF and the FIX file follows",
             [](const std::string& text) { return Crlf(text); },
             {},
             "12342",
             {{"1027", "999"}},
             [](const std::string& text) { return Crlf(Replaced(text, "=12342", "=999")); },
             {saved},
             true},
            {"a Broker ID longer than its field is shown whole and kept",
             asRead("BROKER_ID=12342", "BROKER_ID=abCDEFGH"),
             {},
             "abCDEFGH",
             {{"1026", "7"}},
             [=](const std::string& text) {
                 return box7(Replaced(text, "BROKER_ID=12342", "BROKER_ID=abCDEFGH"));
             },
             {saved}},
            {"bytes that are not UTF-8 stay as they were",
             asRead("BROKER_ID=12342",
                    "BROKER_ID=\xe9"
                    "AB"),
             {},
             "\xef\xbf\xbd"
             "AB",
             {{"1026", "7"}},
             [=](const std::string& text) {
                 return box7(Replaced(text, "BROKER_ID=12342",
                                      "BROKER_ID=\xe9"
                                      "AB"));
             },
             {saved}},
            {"a Box ID that would wrap to 1 is refused",
             same,
             {},
             "12342",
             {{"1026", "4294967297"}},
             same,
             {"Error: Box ID value should be greater than zero and less than or equal to 32767"}},
            {"a Host Port that would wrap to 10263 is refused",
             same,
             {},
             "12342",
             {{"1025", "4294977559"}},
             same,
             {"Error: Host Port value should be greater than zero and less than or equal to "
              "65535"}},
            {"a symbolic link stays a link and its target changes",
             same,
             [](Machine& m) {
                 std::filesystem::rename(m.Config(), m.dir.File("qel_ip_fo.v2.cfg"));
                 std::filesystem::create_symlink(m.dir.File("qel_ip_fo.v2.cfg"), m.Config());
             },
             "12342",
             {{"1026", "7"}},
             box7,
             {saved},
             false,
             true},
            {"a read-only file is not replaced",
             same,
             [](Machine& m) { chmod(m.Config().c_str(), 0444); },
             "12342",
             {{"1026", "7"}},
             same,
             {"Error: QEL Setup Error."}},
        };
        for (const Case& c : cases) {
            Machine m;
            const std::string found = c.file(m.original);
            WriteFile(m.Config(), found);
            if (c.arrange) {
                c.arrange(m);
            }
            auto dialog = m.Open();
            QVERIFY2(!dialog->Ended(), c.name);
            QCOMPARE(Machine::Shown(*dialog, "1027").toStdString(), std::string(c.shownBrokerId));
            for (const auto& [id, text] : c.typed) {
                Machine::Type(*dialog, id, text);
            }
            Machine::Save(*dialog);
            QCOMPARE(QByteArray::fromStdString(ReadFile(m.Config())),
                     QByteArray::fromStdString(c.after(m.original)));
            QVERIFY2(m.boxes.shown == c.boxes, c.name);
            QVERIFY2((ReadFile(m.Fix()) != m.fixOriginal) == c.fixChanged, c.name);
            QVERIFY2(std::filesystem::is_symlink(m.Config()) == c.link, c.name);
            QVERIFY2(Temporaries(m.dir.File("config")).empty(), c.name);
            QVERIFY2(ReadFile(m.log.get()->CurrentFilePath()).find('\r') == std::string::npos,
                     c.name);
        }
    }

    void aReadOnlyFileIsReportedWithTheRemovalFailure() {
        Machine m;
        chmod(m.Config().c_str(), 0444);
        auto dialog = m.Open();
        Machine::Type(*dialog, "1026", "7");
        Machine::Save(*dialog);
        QCOMPARE(m.log.CountLine("EVENT|Removing of the configuration file [" + m.Config() +
                                 "] failed. Error Code : [13]|GenericConfiguration.cpp|"
                                 "CGenericConfiguration::save_configuration_parameters"),
                 std::size_t{1});
        QCOMPARE(ReadFile(m.Config()), m.original);
    }

    void aPathThatIsNoFileIsAFileThatCannotBeOpened() {
        for (const std::string& kind : {"folder", "fifo"}) {
            Machine m;
            std::filesystem::remove(m.Config());
            if (kind == "folder") {
                std::filesystem::create_directory(m.Config());
            } else {
                mkfifo(m.Config().c_str(), 0644);
            }
            auto dialog = m.Open();
            QVERIFY(dialog->Ended());
            QCOMPARE(m.boxes.shown, std::vector<std::string>{"Error: QEL Setup Error."});
        }
    }

    // The dialog and zevo-cli make the same file and the same lines from the same inputs,
    // also when the FIX file must first be recovered from an interrupted rewrite.
    void zevoCliSavesAsTheDialogDoes() {
        struct Input {
            const char* name;
            bool crlf;
            bool fixInterrupted;
            std::vector<std::pair<const char*, QString>> typed;
            QStringList settings;
        };
        const Input inputs[] = {
            {"box id with leading zeros",
             false,
             false,
             {{"1026", "0000000001"}},
             {"BOX_ID=0000000001"}},
            {"broker on a CR LF file", true, false, {{"1027", "ab9"}}, {"BROKER_ID=ab9"}},
            {"broker with the FIX file recovered",
             false,
             true,
             {{"1026", "9"}, {"1027", "777"}},
             {"BOX_ID=9", "BROKER_ID=777"}},
        };
        for (const Input& input : inputs) {
            Machine m;
            const std::string config = input.crlf ? Crlf(m.original) : m.original;
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
                Machine::Type(*dialog, id, text);
            }
            Machine::Save(*dialog);
            const std::string dialogConfig = ReadFile(m.Config()), dialogFix = ReadFile(m.Fix());
            QVERIFY2(dialogConfig != config, input.name);
            layOut();
            m.Cli(input.settings);
            QVERIFY2(ReadFile(m.Config()) == dialogConfig, input.name);
            QVERIFY2(ReadFile(m.Fix()) == dialogFix, input.name);
            QVERIFY2(!FileExists(temporary), input.name);
            const std::vector<std::string> fromDialog =
                                               SaveLines(ReadLines(m.log.get()->CurrentFilePath())),
                                           fromCli = SaveLines(m.CliLogLines());
            QVERIFY2(fromDialog.size() > 3, input.name);
            QCOMPARE(fromCli, fromDialog);
        }
    }
};

QTEST_MAIN(GatewayConfigFilesTest)
#include "GatewayConfigFilesTest.moc"
