// One ZEVO per user: the real program started twice.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include "InstallationLayout.h"
#include "support/RecordingBoxes.h"

using namespace testing_support;

namespace {

class Zevo {
public:
    Zevo(const TempDir& dir, const InstallationLayout& layout) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.path()));
        env.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
        env.insert("ZEVO_BOX_JOURNAL", QString::fromStdString(dir.File("boxes.txt")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
    InstallationLayout layout;
    layout.root = dir.File("qel");
    layout.markets = {1};
    ASSERT_TRUE(layout.Write());
    const std::string sock = dir.File("ZEVOClient4.0-" + std::to_string(getuid()) + ".sock");

    Zevo first(dir, layout);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(sock); }));
    Zevo second(dir, layout);
    ASSERT_TRUE(second.process.waitForFinished(5000));
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_EQ(first.process.state(), QProcess::Running);
    QElapsedTimer told;
    told.start();
    ASSERT_TRUE(PumpUntil([&] { return ReadFile(dir.File("boxes.txt")) ==
                                       "ZEVO: Another instance of ZEVO is already running.\n"; }));
    EXPECT_LT(told.elapsed(), 1000);

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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
