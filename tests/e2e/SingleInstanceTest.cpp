// One ZEVO per user: the real program started twice.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "InstallationLayout.h"
#include "support/RecordingBoxes.h"

using namespace testing_support;

namespace {

// Whether another process holds the flock on `path` now.
bool HeldByAnotherProcess(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);  // a lock taken here goes with the descriptor
    return held;
}

// Whether a line of the activity logs in the layout's log folder holds `text`.
bool Logged(const InstallationLayout& layout, const std::string& text) {
    const auto lines = LogFolderLines(layout);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// A home folder that cannot hold the rule, so that the one under /tmp is tried.
const std::string kNoStateHome = "/dev/null";

class Zevo {
  public:
    // `runtime`: the runtime folder; empty for the test's folder, "-" for none at all (the
    // private folder then goes under the test's folder, as TMPDIR).
    Zevo(const TempDir& dir, const InstallationLayout& layout, const std::string& runtime = "",
         bool captureErrors = false, const QStringList& arguments = {},
         const std::string& stateHome = "") {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR",
                   QString::fromStdString(runtime.empty() ? dir.path() : runtime));
        env.insert("TMPDIR", QString::fromStdString(dir.path()));  // the private folder's
        env.insert("XDG_STATE_HOME",                               // the folder in the user's home
                   QString::fromStdString(stateHome.empty() ? dir.File("state") : stateHome));
        if (runtime == "-") {
            env.remove("XDG_RUNTIME_DIR");
        }
        env.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
        env.insert("ZEVO_BOX_JOURNAL", QString::fromStdString(dir.File("boxes.txt")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(captureErrors ? QProcess::SeparateChannels
                                                    : QProcess::ForwardedErrorChannel);
        process.start(ZEVO_PATH, arguments);
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
    // The new one is the first instance once it holds the lock (a start before that would be
    // the first itself): a further start is then announced by it.
    const std::string lock = dir.File("ZEVOClient4.0-" + std::to_string(getuid()) + ".lock");
    ASSERT_TRUE(PumpUntil([&] { return HeldByAnotherProcess(lock); }));
    Zevo probe(dir, layout);
    ASSERT_TRUE(probe.process.waitForFinished(5000));
    ASSERT_TRUE(PumpUntil([&] {
        return ReadFile(dir.File("boxes.txt")).size() >
               std::string("ZEVO: Another instance of ZEVO is already running.\n").size();
    }));
    EXPECT_EQ(next.process.state(), QProcess::Running);
}

namespace {

// How the private folder is found when ZEVO starts: made by `arrange` from the folder's
// path and another folder's.
using Arrangement = std::function<void(const std::string& folder, const std::string& elsewhere)>;

// A folder of the user's, mode 0700 whatever the umask.
void PrivateFolder(const std::string& folder) {
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0700), 0);
}

// Starts ZEVO without a runtime folder after `arrange`: it refuses the private folder with a
// clear message and runs without the rule, writing nothing there nor where a link points.
void ExpectPrivateFolderRefused(const Arrangement& arrange) {
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {});
    const std::string folder = dir.File("zevo-" + std::to_string(getuid()));
    const std::string elsewhere = dir.File("elsewhere");
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_NO_FATAL_FAILURE(arrange(folder, elsewhere));
    const std::vector<std::string> before = ListDir(folder);
    Zevo zevo(dir, layout, "-", true, {}, kNoStateHome);
    QByteArray errors;
    ASSERT_TRUE(PumpUntil([&] {
        errors += zevo.process.readAllStandardError();
        return errors.contains("running without the one-instance rule");
    })) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QByteArray::fromStdString("zevo: " + folder + " cannot be used")))
        << errors.toStdString();
    EXPECT_EQ(zevo.process.state(), QProcess::Running);
    EXPECT_EQ(ListDir(elsewhere), std::vector<std::string>{});
    EXPECT_EQ(ListDir(folder), before);
}

}  // namespace

// Without a runtime folder the rule lives in a private folder of the user's, which nobody
// else can enter: one that is a link, or whose mode is anything but 0700 (open to the group
// or to others, even for search alone), is refused.
TEST(SingleInstance, APrivateFolderThatIsALinkOrNotMode0700IsRefused) {
    {
        SCOPED_TRACE("a link");
        ExpectPrivateFolderRefused([](const std::string& folder, const std::string& elsewhere) {
            ASSERT_EQ(symlink(elsewhere.c_str(), folder.c_str()), 0);
        });
    }
    for (const mode_t mode : {0770, 0707, 0750, 0701}) {
        SCOPED_TRACE(testing::Message() << "mode 0" << std::oct << mode);
        ExpectPrivateFolderRefused([mode](const std::string& folder, const std::string&) {
            ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
            ASSERT_EQ(chmod(folder.c_str(), mode), 0);
        });
    }
}

// A private folder that is there already, the user's with mode 0700, holds the rule: nothing
// is said, the socket is made in it and a second start ends there.
TEST(SingleInstance, AnExistingPrivateFolderOfTheUsersWithMode0700HoldsTheRule) {
    const std::string user = std::to_string(getuid());
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {});
    const std::string folder = dir.File("zevo-" + user);
    ASSERT_NO_FATAL_FAILURE(PrivateFolder(folder));
    Zevo zevo(dir, layout, "-", true, {}, kNoStateHome);
    const std::string socket = folder + "/ZEVOClient4.0-" + user + ".sock";
    ASSERT_TRUE(PumpUntil(
        [&] { return FileExists(socket) && Logged(layout, "|Initializing all members.|"); }));
    const QByteArray errors = zevo.process.readAllStandardError();
    EXPECT_FALSE(errors.contains("cannot be used")) << errors.toStdString();
    Zevo second(dir, layout, "-", false, {}, kNoStateHome);
    ASSERT_TRUE(second.process.waitForFinished(5000));
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_TRUE(PumpUntil([&] { return FileExists(dir.File("boxes.txt")); }));
    EXPECT_EQ(zevo.process.state(), QProcess::Running);
}

// A private folder, or a lock file in it, that belongs to another user is refused as well.
TEST(SingleInstance, APrivateFolderOrLockFileOfAnotherUserIsRefused) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a file to another user";
    }
    const std::string lockName = "ZEVOClient4.0-" + std::to_string(getuid()) + ".lock";
    {
        SCOPED_TRACE("another user's folder");
        ExpectPrivateFolderRefused([](const std::string& folder, const std::string&) {
            PrivateFolder(folder);
            ASSERT_EQ(chown(folder.c_str(), 1234, 1234), 0);
        });
    }
    {
        SCOPED_TRACE("another user's lock file");
        ExpectPrivateFolderRefused([&](const std::string& folder, const std::string&) {
            PrivateFolder(folder);
            WriteFile(folder + "/" + lockName, "");
            ASSERT_EQ(chown((folder + "/" + lockName).c_str(), 1234, 1234), 0);
        });
    }
}

// Without a runtime folder, or with one that is missing or too long for a socket's name, the
// rule lives in the private folder, made with mode 0700 and its socket 0600; it holds there.
// Without a usable runtime folder the rule lives in a private folder in the user's home
// ($XDG_STATE_HOME/zevo), and only when that cannot be used either in /tmp/zevo-<uid>, which
// another account could make first.
TEST(SingleInstance, WithoutAUsableRuntimeFolderAPrivateFolderHoldsTheRule) {
    const std::string user = std::to_string(getuid());
    struct Case {
        std::string runtime, stateHome, holder;
    };
    TempDir names;
    const std::string file = names.File("a-file");
    WriteFile(file, "");
    const std::vector<Case> cases = {{"-", "", "state/zevo"},
                                     {"/nonexistent/dir", "", "state/zevo"},
                                     {"long", "", "state/zevo"},
                                     {"-", file, "zevo-" + user}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runtime + " " + c.stateHome);
        TempDir dir;
        const InstallationLayout layout = LaidOut(dir.File("qel"), {});
        const std::string folder =
            c.runtime == "long" ? dir.File(std::string(120, 'r')) : c.runtime;
        if (c.runtime == "long") {
            ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        }
        Zevo zevo(dir, layout, folder, true, {}, c.stateHome);
        const std::string holder = dir.File(c.holder);
        const std::string socket = holder + "/ZEVOClient4.0-" + user + ".sock";
        QByteArray errors;
        ASSERT_TRUE(PumpUntil([&] {
            errors += zevo.process.readAllStandardError();
            return FileExists(socket) && Logged(layout, "|Initializing all members.|");
        }));
        if (c.runtime != "-") {
            // The socket file can be seen before the pipe's bytes have been read.
            const QByteArray said =
                QByteArray::fromStdString("the runtime folder " + folder + " cannot be used");
            EXPECT_TRUE(PumpUntil([&] {
                errors += zevo.process.readAllStandardError();
                return errors.contains(said);
            })) << errors.toStdString();
        }
        struct stat folderInfo {
        }, socketInfo{};
        ASSERT_EQ(stat(holder.c_str(), &folderInfo), 0);
        ASSERT_EQ(stat(socket.c_str(), &socketInfo), 0);
        EXPECT_EQ(folderInfo.st_mode & 07777, 0700u);
        EXPECT_EQ(socketInfo.st_mode & 07777, 0600u);
        Zevo second(dir, layout, folder, false, {}, c.stateHome);  // ends, and is announced
        ASSERT_TRUE(second.process.waitForFinished(5000));
        EXPECT_EQ(second.process.exitCode(), 0);
        EXPECT_TRUE(PumpUntil([&] { return FileExists(dir.File("boxes.txt")); }));
    }
}

// Another account made /tmp/zevo-<uid> first: the rule still holds, in the user's home.
TEST(SingleInstance, AnotherAccountsTmpFolderCannotSwitchTheRuleOff) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a folder of another account";
    }
    TempDir dir;
    const InstallationLayout layout = LaidOut(dir.File("qel"), {});
    const std::string squatted = dir.File("zevo-" + std::to_string(getuid()));
    ASSERT_EQ(mkdir(squatted.c_str(), 0777), 0);
    ASSERT_EQ(chown(squatted.c_str(), 65534, 65534), 0);
    Zevo first(dir, layout, "-");
    ASSERT_TRUE(PumpUntil([&] { return Logged(layout, "|Initializing all members.|"); }));
    Zevo second(dir, layout, "-");
    ASSERT_TRUE(second.process.waitForFinished(5000));
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_TRUE(PumpUntil([&] { return FileExists(dir.File("boxes.txt")); }));
    EXPECT_TRUE(std::filesystem::is_empty(squatted));
}

// A session or service manager ends programs with SIGTERM: ZEVO ends as Exit does after the
// operator's yes, with its threads stopped, no question asked and exit code 0, within a
// second, whatever is open: nothing, a message box, or a dialog of the start-up.
TEST(Termination, SigtermEndsZevoAsExitDoesWhateverIsOpen) {
    const std::pair<const char*, QStringList> situations[] = {
        {"the window alone", {}}, {"a message box", {}}, {"a configuration dialog", {"-c", "1"}}};
    for (const auto& [open, arguments] : situations) {
        SCOPED_TRACE(open);
        TempDir dir;
        const InstallationLayout layout = LaidOut(dir.File("qel"), {1});
        const auto logged = [&](const char* text) { return Logged(layout, text); };
        Zevo zevo(dir, layout, "", false, arguments);
        ASSERT_TRUE(PumpUntil([&] {
            return logged(arguments.isEmpty() ? "show_qel_status thread"
                                              : "CGenericConfiguration::OnInitDialog");
        }));
        if (std::string(open) == "a message box") {  // a second start is announced in a box
            Zevo(dir, layout).process.waitForFinished(5000);
            ASSERT_TRUE(PumpUntil([&] { return FileExists(dir.File("boxes.txt")); }));
        }
        ASSERT_EQ(kill(static_cast<pid_t>(zevo.process.processId()), SIGTERM), 0);
        ASSERT_TRUE(zevo.process.waitForFinished(1000));
        EXPECT_EQ(zevo.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(zevo.process.exitCode(), 0);
        EXPECT_TRUE(logged("|Killing QEL status thread.|"));
        EXPECT_TRUE(logged("|Killing QEL statistics thread.|"));
    }
}
