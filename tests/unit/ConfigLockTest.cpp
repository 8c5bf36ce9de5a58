// The configuration lock between processes, and what replacing a file keeps of it: owner,
// group, mode, ACL and extended attributes, on real files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/AtomicReplace.h"
#include "platform/ConfigLock.h"
#include "support/OtherWriter.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

platform::LockWait Briefly(int* waits) {
    return {200, [waits] { ++*waits; }};
}

TEST(ConfigLock, AnotherProcessWaitsTheBoundedTimeAndIsToldWhoHoldsIt) {
    TempDir dir;
    const std::string file = dir.File("qel_ip_fo.cfg");
    WriteFile(file, "BOX_ID=1\n");
    OtherWriter other({file});
    ASSERT_TRUE(other.Held());
    int waits = 0;
    {
        platform::ConfigLock lock({file}, Briefly(&waits));
        EXPECT_FALSE(lock.Held());
        const std::string prefix = platform::FolderOfFileBehind(file) +
                                   " is being changed by config_lock_tes (pid " +
                                   std::to_string(other.Pid()) + ", user ";
        EXPECT_EQ(lock.Refusal().substr(0, prefix.size()), prefix) << lock.Refusal();
        EXPECT_NE(lock.Refusal().find(") since "), std::string::npos);
    }
    EXPECT_GE(waits, 3);  // the waiting writer's own work went on meanwhile
    other.LetGo();
    platform::ConfigLock lock({file}, Briefly(&waits));
    EXPECT_TRUE(lock.Held());
    EXPECT_EQ(lock.Refusal(), "");
}

TEST(ConfigLock, ALockTakenAgainInTheSameProcessHoldsUntilTheLastLetsGo) {
    TempDir dir;
    const std::string file = dir.File("a.cfg");
    WriteFile(file, "");
    int waits = 0;
    auto outer = std::make_unique<platform::ConfigLock>(std::vector<std::string>{file});
    {
        platform::ConfigLock inner({file, dir.File("b.cfg")}, Briefly(&waits));
        EXPECT_TRUE(inner.Held());
    }
    // Still held by the outer lock: another process cannot take it.
    pid_t child = fork();
    if (child == 0) {
        int none = 0;
        platform::ConfigLock lock({file}, Briefly(&none));
        _exit(lock.Held() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    outer.reset();
    child = fork();
    if (child == 0) {
        int none = 0;
        platform::ConfigLock lock({file}, Briefly(&none));
        _exit(lock.Held() ? 0 : 1);
    }
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A save of one file on a market whose other folder is missing still takes its lock: nothing
// can be written in a folder that is not there.
TEST(ConfigLock, AMissingFolderHasNothingToGuard) {
    TempDir dir;
    WriteFile(dir.File("qel_ip_fo.cfg"), "");
    platform::ConfigLock lock({dir.File("qel_ip_fo.cfg"), dir.File("fix/qel_fix_fo.cfg")});
    EXPECT_TRUE(lock.Held()) << lock.Refusal();
    EXPECT_EQ(ListDir(dir.path()),
              (std::vector<std::string>{".zevo-config.lock", "qel_ip_fo.cfg"}));
}

// What an interrupted save left beside a file goes; anything else stays.
TEST(ConfigLock, TakingTheLockRemovesTemporaryFilesOfInterruptedSaves) {
    TempDir dir;
    for (const char* name : {"qel_ip_fo.cfg", "qel_ip_fo.cfg.tmp.Ab12Cd", "gone.cfg.tmp.Ab12Cd",
                             "qel_ip_fo.cfg.tmp.long123", "qel_ip_fo.cfg.bak"}) {
        WriteFile(dir.File(name), "x");
    }
    platform::ConfigLock lock({dir.File("qel_ip_fo.cfg")});
    ASSERT_TRUE(lock.Held());
    EXPECT_EQ(lock.RemovedTemporaries(),
              std::vector<std::string>{platform::FolderOfFileBehind(dir.File("qel_ip_fo.cfg")) +
                                       "/qel_ip_fo.cfg.tmp.Ab12Cd"});
    EXPECT_EQ(ListDir(dir.path()),
              (std::vector<std::string>{".zevo-config.lock", "gone.cfg.tmp.Ab12Cd", "qel_ip_fo.cfg",
                                        "qel_ip_fo.cfg.bak", "qel_ip_fo.cfg.tmp.long123"}));
}

// Every account of the folder's group can take the lock: root makes the lock file the
// folder's, mode 0660.
TEST(ConfigLock, TheLockFileBelongsToTheFolderAndItsGroup) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can give the folder to another owner";
    }
    TempDir dir;
    ASSERT_EQ(chown(dir.path().c_str(), 65534, 65534), 0);
    const std::string file = dir.File("qel_ip_fo.cfg");
    WriteFile(file, "");
    { platform::ConfigLock lock({file}); }
    struct stat info {};
    ASSERT_EQ(stat(dir.File(".zevo-config.lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0660u);
    EXPECT_EQ(info.st_size, 0);  // the holder's name goes with the holder
}

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "" : std::string(value, static_cast<size_t>(size));
}

// As root: the replaced file keeps its owner, group, mode, ACL and user attributes, and
// does not take an ACL the folder would give a new file.
TEST(ReplaceFile, KeepsOwnerGroupModeAclAndAttributes) {
    TempDir dir;
    const std::string file = dir.File("qel_ip_fo.cfg");
    WriteFile(file, "BOX_ID=1\n");
    if (std::system(("setfacl -m u:nobody:rw " + file + " 2>/dev/null").c_str()) != 0 ||
        setxattr(file.c_str(), "user.origin", "installer", 9, 0) != 0 ||
        std::system(("setfacl -d -m u:daemon:r " + dir.path()).c_str()) != 0) {
        GTEST_SKIP() << "no ACL tools or no ACL and user attributes on this file system";
    }
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    }
    struct stat before {};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    const std::string acl = Attribute(file, "system.posix_acl_access");
    ASSERT_FALSE(acl.empty());
    ASSERT_TRUE(platform::ReplaceFile(file, "BOX_ID=2\n").ok());
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(Attribute(file, "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(file, "user.origin"), "installer");
    EXPECT_EQ(ReadFile(file), "BOX_ID=2\n");

    // A file without an ACL in the same folder stays without one.
    const std::string plain = dir.File("common.cfg");
    WriteFile(plain, "A=1\n");
    removexattr(plain.c_str(), "system.posix_acl_access");
    ASSERT_TRUE(platform::ReplaceFile(plain, "A=2\n").ok());
    EXPECT_EQ(Attribute(plain, "system.posix_acl_access"), "");
}

}  // namespace
