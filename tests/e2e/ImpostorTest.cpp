// Another local account starts a program named as a gateway on the gateway's port, before the
// gateway itself: the console and zevo-cli do not take it for the gateway, and the real one,
// started once the impostor has left, is connected as usual. Needs root to make the account.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "InstallationLayout.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr int kCm = 1;

bool Logged(const InstallationLayout& layout, const std::string& text) {
    const auto lines = LogFolderLines(layout);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// The sim gateway under CM's gateway name, as `user` (empty: the test's own account).
class Gateway {
  public:
    Gateway(const InstallationLayout& layout, const std::string& program, const std::string& user) {
        QStringList arguments;
        QString command = QString::fromStdString(program);
        if (!user.empty()) {
            // setpriv runs the program itself (runuser would wait as its parent), so ending
            // this process ends the program.
            const QString account = QString::fromStdString(user);
            arguments = {"--reuid=" + account, "--regid=" + account, "--init-groups", command};
            command = "setpriv";
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
        process.setProcessEnvironment(environment);
        process.start(command, arguments);
    }
    ~Gateway() {
        process.kill();
        process.waitForFinished(5000);
    }
    QProcess process;
};

TEST(Impostor, AGatewayNamedProgramOfAnotherAccountIsNeitherShownNorConnected) {
    if (geteuid() != 0 || std::system("command -v useradd setpriv >/dev/null") != 0 ||
        std::system("getent passwd zevo-other >/dev/null || useradd --system -M "
                    "-s /usr/sbin/nologin zevo-other") != 0) {
        GTEST_SKIP() << "needs root, useradd and setpriv";
    }
    // The gateway check reads the machine's process table, where other tests' gateways of
    // the same names may run: the test runs again in a process namespace of its own, whose
    // /proc holds only what it starts.
    if (!std::getenv("ZEVO_IMPOSTOR_ALONE")) {
        if (std::system("unshare --pid --fork --mount-proc true 2>/dev/null") != 0) {
            GTEST_SKIP() << "needs unshare with process namespaces";
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZEVO_IMPOSTOR_ALONE", "1");
        const std::string self = std::filesystem::read_symlink("/proc/self/exe");
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcess alone;
        alone.setProcessEnvironment(environment);
        alone.setProcessChannelMode(QProcess::MergedChannels);
        alone.start("unshare",
                    {"--pid", "--fork", "--mount-proc", QString::fromStdString(self),
                     QString("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
        ASSERT_TRUE(alone.waitForFinished(180000));
        const std::string said = alone.readAll().toStdString();
        EXPECT_EQ(alone.exitCode(), 0) << said;
        EXPECT_NE(said.find("[  PASSED  ] 1 test"), std::string::npos) << said;
        return;
    }
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {kCm});
    // Every account can read the installation and run the gateway program.
    const std::string program = dir.File("bin/qel_ip_cm.exe");
    std::filesystem::create_directories(dir.File("bin"));
    std::filesystem::copy_file(QEL_GATEWAY_PATH, program);
    ASSERT_EQ(std::system(("chmod -R a+rX " + dir.path()).c_str()), 0);

    auto impostor = std::make_unique<Gateway>(layout, program, "zevo-other");
    ASSERT_TRUE(WaitFor([&] { return OnLoopback(layout.NonInteractivePort(kCm), true); }));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.path()));
    environment.insert("ZEVO_BOX_JOURNAL", QString::fromStdString(dir.File("boxes.txt")));
    const CliResult status = RunProgram(ZEVO_CLI_PATH, {"status", "CM"}, environment);
    EXPECT_EQ(status.status, 2);
    EXPECT_EQ(status.err, "zevo-cli: qel_ip_cm.exe runs as uid " +
                              std::to_string(getpwnam("zevo-other")->pw_uid) +
                              ", not as the gateways' account root (uid 0): it is not taken for "
                              "the gateway\n");

    QProcess zevo;
    zevo.setProcessEnvironment(environment);
    zevo.start(ZEVO_PATH, QStringList{});
    ASSERT_TRUE(zevo.waitForStarted());
    const std::string said = "qel_ip_cm.exe runs as uid " +
                             std::to_string(getpwnam("zevo-other")->pw_uid) +
                             ", not as the gateways' account root (uid 0); it is not taken for "
                             "the gateway of market CM";
    EXPECT_TRUE(WaitFor([&] { return Logged(layout, said); }, std::chrono::seconds(15)));
    EXPECT_FALSE(Logged(layout, "Attempting to connect...for market CM"));
    EXPECT_FALSE(zevo.waitForFinished(0));            // still running
    EXPECT_FALSE(FileExists(dir.File("boxes.txt")));  // no box, no "Invalid version"

    // A process of the gateways' account under the gateway's name that does not listen yet
    // (a gateway that starts late): the console connects, finds the port held by the impostor
    // and uses nothing from it; zevo-cli says the same.
    const std::string late = dir.File("late/qel_ip_cm.exe");
    std::filesystem::create_directories(dir.File("late"));
    std::filesystem::copy_file("/bin/sleep", late);
    QProcess starting;
    starting.start(QString::fromStdString(late), {"60"});
    ASSERT_TRUE(starting.waitForStarted());
    const std::string other = std::to_string(getpwnam("zevo-other")->pw_uid);
    const std::string held = "port " + std::to_string(layout.NonInteractivePort(kCm)) +
                             " is held by a process of uid " + other +
                             ", not the gateway's account";
    EXPECT_TRUE(WaitFor([&] { return Logged(layout, held); }, std::chrono::seconds(15)));
    for (const char* command : {"users", "restart"}) {
        const CliResult result = RunProgram(ZEVO_CLI_PATH, {command, "CM"}, environment);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.err, "zevo-cli: port " + std::to_string(layout.InteractivePort(kCm)) +
                                  " is held by a process of uid " + other +
                                  ", not the gateway's account; it is not taken for the "
                                  "gateway of CM\n")
            << command;
    }
    EXPECT_FALSE(Logged(layout, "Connection established."));
    EXPECT_FALSE(Logged(layout, "Received market version"));
    EXPECT_FALSE(zevo.waitForFinished(0));
    EXPECT_FALSE(FileExists(dir.File("boxes.txt")));
    starting.kill();
    starting.waitForFinished(5000);

    // The impostor leaves; the gateway of the gateways' account is connected as usual.
    impostor.reset();
    Gateway real(layout, program, "");
    EXPECT_TRUE(WaitFor([&] { return Logged(layout, "Attempting to connect...for market CM"); },
                        std::chrono::seconds(15)));
    EXPECT_TRUE(WaitFor([&] { return Logged(layout, "Connection established."); },
                        std::chrono::seconds(15)));
    EXPECT_EQ(RunProgram(ZEVO_CLI_PATH, {"status", "CM"}, environment).status, 0);
    zevo.kill();
    zevo.waitForFinished(5000);
}

}  // namespace
