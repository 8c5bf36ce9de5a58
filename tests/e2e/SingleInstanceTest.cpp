// One ZEVO per user: the real program started twice.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>

#include "InstallationLayout.h"
#include "support/RecordingBoxes.h"

using namespace testing_support;

namespace {

// Whether a line of the activity logs in the layout's log folder holds `text`.
bool Logged(const InstallationLayout& layout, const std::string& text) {
    const auto lines = LogFolderLines(layout);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

class Zevo {
  public:
    Zevo(const TempDir& dir, const InstallationLayout& layout, const std::string& runtime = "",
         bool captureErrors = false) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR",
                   QString::fromStdString(runtime.empty() ? dir.path() : runtime));
        env.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
        env.insert("ZEVO_BOX_JOURNAL", QString::fromStdString(dir.File("boxes.txt")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(captureErrors ? QProcess::SeparateChannels
                                                    : QProcess::ForwardedErrorChannel);
        process.start(ZEVO_PATH, {});
    }
    ~Zevo() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QProcess process;
};

}  // namespace

TEST(SingleInstance, SecondStartEndsAtOnceAndTheFirstSaysSo) {
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {1});
    const std::string sock = dir.File("ZEVOClient4.0-" + std::to_string(getuid()) + ".sock");

    Zevo first(dir, layout);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(sock); }));
    Zevo second(dir, layout);
    ASSERT_TRUE(second.process.waitForFinished(5000));
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_EQ(first.process.state(), QProcess::Running);
    ASSERT_TRUE(PumpUntil([&] {
        return ReadFile(dir.File("boxes.txt")) ==
               "ZEVO: Another instance of ZEVO is already running.\n";
    }));

    // A first instance that crashed never blocks the next start.
    first.process.kill();
    ASSERT_TRUE(first.process.waitForFinished(5000));
    Zevo next(dir, layout);
    // The new one is the first instance now: a further start is announced by it.
    ASSERT_TRUE(PumpUntil([&] {
        if (next.process.state() != QProcess::Running) {
            return false;
        }
        Zevo probe(dir, layout);
        probe.process.waitForFinished(5000);
        return ReadFile(dir.File("boxes.txt")).size() >
               std::string("ZEVO: Another instance of ZEVO is already running.\n").size();
    }));
    EXPECT_EQ(next.process.state(), QProcess::Running);
}

TEST(SingleInstance, AnUnusableRuntimeFolderFallsBackToAPrivateOneAndSaysSo) {
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {});
    // Missing, and too long for a socket's name.
    for (const std::string runtime :
         {std::string("/nonexistent/dir"), dir.path() + "/" + std::string(120, 'r')}) {
        if (runtime.size() > 100) {
            ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
        }
        Zevo zevo(dir, layout, runtime, true);
        QByteArray errors;
        // The window comes up: its start-up lines reach the activity log.
        ASSERT_TRUE(PumpUntil([&] {
            errors += zevo.process.readAllStandardError();
            return errors.contains("using /tmp/zevo-" + QByteArray::number(getuid())) &&
                   Logged(layout, "|Initializing all members.|");
        })) << errors.toStdString();
        EXPECT_TRUE(errors.contains(
            QByteArray::fromStdString("the runtime folder " + runtime + " cannot be used")));
        EXPECT_EQ(zevo.process.state(), QProcess::Running);
        // The rule still holds there: a second start ends and is announced.
        Zevo second(dir, layout, runtime);
        ASSERT_TRUE(second.process.waitForFinished(5000));
        EXPECT_EQ(second.process.exitCode(), 0);
        EXPECT_TRUE(PumpUntil([&] { return FileExists(dir.File("boxes.txt")); }));
        std::remove(dir.File("boxes.txt").c_str());
    }
}

// A session or service manager ends programs with SIGTERM: ZEVO ends as Exit does after the
// operator's yes, with its threads stopped, no question asked and exit code 0.
TEST(Termination, SigtermEndsZevoAsExitDoes) {
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {1});
    Zevo zevo(dir, layout);
    ASSERT_TRUE(PumpUntil([&] { return Logged(layout, "show_qel_status thread"); }));
    ASSERT_EQ(kill(static_cast<pid_t>(zevo.process.processId()), SIGTERM), 0);
    ASSERT_TRUE(zevo.process.waitForFinished(5000));
    EXPECT_EQ(zevo.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(zevo.process.exitCode(), 0);
    EXPECT_TRUE(Logged(layout, "Killing QEL status thread."));
    EXPECT_TRUE(Logged(layout, "Killing QEL statistics thread."));
    EXPECT_EQ(ReadFile(dir.File("boxes.txt")), "");
}
