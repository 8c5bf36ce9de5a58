// The FIX file operations on real files, checked byte for byte and by loading the result
// with a real FIX engine's settings parser.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "FixEngineCheck.h"
#include "InstallationLayout.h"
#include "config/FixSessionFile.h"
#include "log/Format.h"
#include "support/FailingFileOperations.h"
#include "support/FixText.h"
#include "support/TestLog.h"

using namespace testing_support;
using namespace std::string_literals;
using fix_file::Outcome;
using Step = platform::ReplaceStep;

namespace {

std::string NoFinalNewline(std::string text) {
    text.pop_back();
    return text;
}

const std::string kThreeUsers = kFixDefault + Block(101, 2) + Block(102, 3) + Block(205, 6);

// The FIX file of a test and the site its lines are logged under.
struct FixFile {
    explicit FixFile(const std::string& content) { WriteFile(path, content); }
    std::string Read() const { return ReadFile(path); }
    TempDir dir;
    std::string path = dir.File("qel_fix_fo.cfg");
    std::string temporary = fix_file::TemporaryPath(path, 2);
    TestLog log;
    LogSite site = ZEVO_LOG_SITE("CFixUserSessions");
};

// The engine must load the file and find exactly the sessions that the users list shows.
void ExpectEngineSeesTheListedUsers(const std::string& path) {
    std::set<std::string> engine, listed;
    std::string error;
    ASSERT_TRUE(fix_engine::LoadFixSettings(ReadFile(path), &engine, &error)) << error;
    std::vector<fix_file::FixUser> users;
    ASSERT_TRUE(fix_file::ListUsers(path, &users));
    for (const auto& user : users) {
        listed.insert(user.userId + "," + user.brokerId + "," + user.branchId);
    }
    EXPECT_EQ(engine, listed) << ReadFile(path);
}

TEST(FixSessionFile, TwoPartTargetCompIdIsNotListedButTakesTheNewBrokerWithAnEmptyBranch) {
    FixFile file(kFixDefault + "TargetCompID=9,12342\n" + Block(101, 2));
    std::vector<fix_file::FixUser> users;
    ASSERT_TRUE(fix_file::ListUsers(file.path, &users));
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].userId + "/" + users[0].branchId, "101/2");
    EXPECT_EQ(fix_file::ChangeBrokerIdAndLocalIp(file.path, file.temporary, "777", "10.1.1.5",
                                                 file.log.get(), file.site),
              Outcome::Written);
    std::string expected = kFixDefault + "TargetCompID=9,777,\n" + Block(101, 2, "777");
    expected.replace(expected.find("127.0.0.1"), 9, "10.1.1.5");
    EXPECT_EQ(file.Read(), expected);
    // Detail lines, the first lines of this log: no level line to indent under.
    EXPECT_EQ(file.log.Count("|TargetCompID=9,777, written in fix config file for trader "
                             "id 9"),
              1u);
    EXPECT_EQ(file.log.Count("|NicIpAddress=10.1.1.5 written in fix config file"), 1u);
}

// A broker-ID change rewrites the TargetCompID line from its parts; parts of any length are
// kept whole.
TEST(FixSessionFile, LongTargetCompIdPartsAreKeptWhole) {
    const std::string branch(1100, '7');
    FixFile file(kFixDefault + "TargetCompID=101,12342," + branch + "\n");
    ASSERT_EQ(fix_file::ChangeBrokerIdAndLocalIp(file.path, file.temporary, "777", "127.0.0.1",
                                                 file.log.get(), file.site),
              Outcome::Written);
    EXPECT_EQ(file.Read(), kFixDefault + "TargetCompID=101,777," + branch + "\n");
    std::vector<fix_file::FixUser> users;
    ASSERT_TRUE(fix_file::ListUsers(file.path, &users));
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].branchId, branch);
}

// The operations the dialogs carry out: the argument is the user of an add, edit or delete,
// the new local address of a broker-ID change (to 777), the new PersistMessages value.
enum Kind { kAdd, kEdit, kDelete, kBroker, kPersist };

Outcome Apply(FixFile& f, Kind kind, const std::string& argument) {
    ActivityLog* log = f.log.get();
    switch (kind) {
        case kAdd:
            return fix_file::AddUser(f.path, f.temporary, std::stoi(argument),
                                     argument + ",12342,7", log, f.site);
        case kEdit:
            return fix_file::EditUser(f.path, f.temporary, std::stoi(argument),
                                      argument + ",12342,9", log, f.site);
        case kDelete:
            return fix_file::DeleteUser(f.path, f.temporary, argument, log, f.site);
        case kBroker:
            return fix_file::ChangeBrokerIdAndLocalIp(f.path, f.temporary, "777", argument, log,
                                                      f.site);
        case kPersist:
            return fix_file::SetPersistMessages(f.path, f.temporary, argument, log, f.site);
    }
    return Outcome::CannotRead;
}

// Each operation in turn, with the number of users listed after it.
const std::tuple<Kind, const char*, size_t> kSequence[] = {
    {kAdd, "12", 4},    {kEdit, "102", 4},   {kBroker, "127.0.0.1", 4}, {kBroker, "10.0.0.9", 4},
    {kPersist, "N", 4}, {kDelete, "102", 3}, {kDelete, "101", 2},       {kDelete, "12", 1},
};

// The line an operation logs when its temporary file cannot be written, or renamed.
std::string FailureLine(Kind kind, bool rename, const FixFile& f) {
    const char *temporary = f.temporary.c_str(), *path = f.path.c_str();
    if (rename) {
        return kind == kBroker
                   ? Fmt("SYSTEM_ERROR|Renaming the temporary file at %s failed. Error Code : "
                         "[28] ",
                         path)
                   : Fmt("SYSTEM_ERROR|Renaming the temporary file %s at %s failed. Error "
                         "Code : [28] ",
                         temporary, path);
    }
    if (kind == kDelete) {
        return Fmt("EVENT|Couldn't open temporary FIX config file [%s] in write mode.", temporary);
    }
    return kind == kBroker
               ? Fmt("SYSTEM_ERROR|Couldn't open temporary file %s in write mode.", temporary)
               : Fmt("SYSTEM_ERROR|Couldn't open temporary file [%s] in write mode.", temporary);
}

TEST(FixSessionFile, AFailedStepLeavesTheFixFileAndKeepsTheTemporaryOnlyAfterAFailedRename) {
    for (const auto& [kind, argument, users] : kSequence) {
        FixFile done(kThreeUsers);
        ASSERT_EQ(chmod(done.path.c_str(), 0640), 0);
        ASSERT_EQ(Apply(done, kind, argument), Outcome::Written);
        struct stat info {};
        ASSERT_EQ(stat(done.path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        for (Step step : {Step::CreateTemporary, Step::CopyOwnerAndMode, Step::Write, Step::Flush,
                          Step::Rename}) {
            SCOPED_TRACE(std::to_string(kind) + argument + " " + std::to_string(int(step)));
            FixFile file(kThreeUsers);
            const Outcome outcome = [&] {
                FailingFileOperations failing(step, ENOSPC);  // error 28
                return Apply(file, kind, argument);
            }();
            const bool rename = step == Step::Rename;
            EXPECT_EQ(outcome, rename ? Outcome::RenameFailed : Outcome::CannotWrite);
            EXPECT_EQ(file.Read(), kThreeUsers);
            EXPECT_EQ(FileExists(file.temporary), rename);
            EXPECT_TRUE(!rename || ReadFile(file.temporary) == done.Read());
            EXPECT_EQ(file.log.Count(FailureLine(kind, rename, file)), 1u);
        }
    }
}

TEST(FixSessionFile, TheEngineLoadsTheInstalledFilesAndTheResultOfEveryOperation) {
    TempDir dir;
    const InstallationLayout layout =
        LaidOut(dir.path(), {1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6, 7});
    for (int market : layout.markets) {
        ExpectEngineSeesTheListedUsers(layout.FixConfigPath(market));
    }
    FixFile file(ReadFile(layout.FixConfigPath(2)));
    for (const auto& [kind, argument, users] : kSequence) {
        SCOPED_TRACE(std::to_string(kind) + argument);
        ASSERT_EQ(Apply(file, kind, argument), Outcome::Written);
        ExpectEngineSeesTheListedUsers(file.path);
        std::vector<fix_file::FixUser> listed;
        fix_file::ListUsers(file.path, &listed);
        EXPECT_EQ(listed.size(), users);
    }
    std::string defaults = ReadFile(layout.FixConfigPath(2));
    defaults.resize(defaults.find("\n#BeginSession_101"));
    defaults.replace(defaults.find("PersistMessages=Y"), 17, "PersistMessages=N");
    defaults.replace(defaults.find("=127.0.0.1"), 10, "=10.0.0.9");
    EXPECT_EQ(file.Read(), defaults + Block(205, 6, "777"));
}

// Each operation on files as ZEVO writes them and as operators have them: CR LF line ends,
// blocks without their end marker, sessions without markers. Every case runs on the file as
// written and with CR LF line ends.
TEST(FixSessionFile, OperationsOnPlainHandEditedAndCrLfFilesChangeOnlyWhatWasAsked) {
    const std::string unterminated = "\n#BeginSession_102\n[SESSION]\nTargetCompID=102,12342,3\n";
    const std::string foreign = "[SESSION]\nTargetCompID=0300,12342,1\n";
    const std::string edited = "\n#BeginSession_102\n[SESSION]\nTargetCompID=102,12342,9\n";
    const std::string zeros =
        "\n#BeginSession_007\n[SESSION]\nTargetCompID=7,1,1\n#EndSession_007\n";
    std::string brokerChanged =
        kFixDefault + Block(101, 2, "777") + Block(102, 3, "777") + Block(205, 6, "777");
    brokerChanged.replace(brokerChanged.find("127.0.0.1"), 9, "10.0.0.9");
    struct Case {
        const char* name;
        std::string before;
        Kind kind;
        const char* argument;
        Outcome outcome;
        std::string after;
        bool loads = true;  // the FIX engine takes the file
    };
    const Case cases[] = {
        {"add", kThreeUsers, kAdd, "12", Outcome::Written, kThreeUsers + Block(12, 7)},
        {"add after no final line end", NoFinalNewline(kThreeUsers), kAdd, "12", Outcome::Written,
         kThreeUsers + Block(12, 7)},
        {"add a user with a block", kThreeUsers, kAdd, "101", Outcome::Duplicate, kThreeUsers},
        {"edit", kThreeUsers, kEdit, "102", Outcome::Written,
         kFixDefault + Block(101, 2) + Block(102, 9) + Block(205, 6)},
        {"edit a user without a block", NoFinalNewline(kThreeUsers), kEdit, "300", Outcome::Written,
         kThreeUsers},
        {"edit before a block", kFixDefault + unterminated + Block(205, 6), kEdit, "102",
         Outcome::Written, kFixDefault + edited + Block(205, 6)},
        {"delete the first", kThreeUsers, kDelete, "101", Outcome::Written,
         NoFinalNewline(kFixDefault + Block(102, 3) + Block(205, 6))},
        {"delete", kThreeUsers, kDelete, "102", Outcome::Written,
         NoFinalNewline(kFixDefault + Block(101, 2) + Block(205, 6))},
        {"delete the last", kThreeUsers, kDelete, "205", Outcome::Written,
         kFixDefault + Block(101, 2) + Block(102, 3)},
        {"delete a user with leading zeros", kFixDefault + zeros, kDelete, "7", Outcome::Written,
         NoFinalNewline(kFixDefault + zeros), false},
        {"broker", kThreeUsers, kBroker, "10.0.0.9", Outcome::Written, brokerChanged},
        {"persist", "[DEFAULT]\nPersistMessages=Y\n[SESSION]\npersistmessages=y\n", kPersist, "N",
         Outcome::Written, "[DEFAULT]\nPersistMessages=N\n[SESSION]\nPersistMessages=N\n", false},
        {"persist on key lines only", "PersistMessages =Y\n#PersistMessages=Y\n\nPersistMessages",
         kPersist, "N", Outcome::Written,
         "PersistMessages =Y\n#PersistMessages=Y\n\nPersistMessages=N\n"},
        {"persist never added", "[DEFAULT]\nHeartBtInt=30", kPersist, "N", Outcome::Written,
         "[DEFAULT]\nHeartBtInt=30\n"},
        {"add a user with a session only", kFixDefault + foreign, kAdd, "300", Outcome::Duplicate,
         kFixDefault + foreign},
        {"edit before a session", kFixDefault + unterminated + foreign, kEdit, "102",
         Outcome::Written, kFixDefault + edited + foreign},
        // The empty line in front of the next begin marker belongs to the unterminated block.
        {"delete before a block", kFixDefault + unterminated + Block(205, 6), kDelete, "102",
         Outcome::Written, NoFinalNewline(kFixDefault + Block(205, 6))},
        {"delete at the end", kFixDefault + Block(101, 2) + unterminated, kDelete, "102",
         Outcome::Written, kFixDefault + Block(101, 2)},
        {"delete before a session", kFixDefault + unterminated + foreign, kDelete, "102",
         Outcome::Written, kFixDefault + "\n" + NoFinalNewline(foreign)},
        {"end marker after a session", kFixDefault + unterminated + foreign + "#EndSession_102\n",
         kDelete, "102", Outcome::Written, kFixDefault + "\n" + foreign + "#EndSession_102"},
        {"delete before defaults", kFixDefault + unterminated + "[DEFAULT]\nHeartBtInt=30\n",
         kDelete, "102", Outcome::Written, kFixDefault + "\n[DEFAULT]\nHeartBtInt=30"},
        // Keys after [SESSION] belong to that session, for the FIX engine too.
        {"delete to the end", kFixDefault + unterminated + "\nHeartBtInt=30\n", kDelete, "102",
         Outcome::Written, kFixDefault},
    };
    for (const Case& c : cases) {
        for (const bool crlf : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (crlf ? ", CR LF" : ""));
            FixFile file(crlf ? WithCrLf(c.before) : c.before);
            EXPECT_EQ(Apply(file, c.kind, c.argument), c.outcome);
            EXPECT_EQ(file.Read(), crlf ? WithCrLf(c.after) : c.after);
            EXPECT_EQ(ListDir(file.dir.path()), std::vector<std::string>{"qel_fix_fo.cfg"});
            if (c.loads) {
                ExpectEngineSeesTheListedUsers(file.path);
            }
        }
    }
}

// A file as operators edit it by hand: a comment of 600 bytes whose tail reads as a setting,
// a value of 602 bytes, a line with a NUL byte, and lines ending in LF and in CR LF (the
// first and the last in CR LF). Cut anywhere, the comment's tail would become a live setting.
const std::string kLongComment =
    "#" + std::string(561, '-') + "SocketAcceptPort=9999 was the old port";
const std::string kLongValue = "FileLogPath=/var/log/qel/" + std::string(577, 'x');
const std::string kBlock102 =
    "#BeginSession_102\r\n[SESSION]\n# moved here\0 from the old host\r\n"
    "TargetCompID=102,12342,3\r\n#EndSession_102\n\r\n"s;
const std::string kHandEdited =
    "[DEFAULT]\r\nConnectionType=acceptor\n" + kLongComment +
    "\nBeginString=FIX.4.2\r\nSenderCompID=QELFO\n" + kLongValue +
    "\r\nPersistMessages=Y\nNicIpAddress=127.0.0.1\r\n# set up\0 by hand\n"s +
    "\r\n#BeginSession_101\n[SESSION]\r\nTargetCompID=101,12342,2\n#EndSession_101\r\n\n" +
    kBlock102 + "#BeginSession_205\n[SESSION]\nTargetCompID=205,12342,6\r\n#EndSession_205\r\n";

// `text` with every `from` replaced by `to`; `from` must be there.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    EXPECT_NE(text.find(from), std::string::npos) << from;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

// Every operation changes only the lines it works on; all others keep every byte and their
// own line end, with or without a line end after the file's last line.
TEST(FixSessionFile, LongLinesNulBytesAndMixedLineEndsSurviveEveryOperation) {
    ASSERT_EQ(kLongComment.size(), 600u);
    ASSERT_EQ(kLongValue.size(), 602u);
    const std::string deleted = Replaced(kHandEdited, kBlock102, "");
    const struct {
        Kind kind;
        const char* argument;
        std::string after;
    } cases[] = {
        // Added lines end as the file's first line does.
        {kAdd, "12", kHandEdited + WithCrLf(Block(12, 7))},
        {kEdit, "102", Replaced(kHandEdited, "=102,12342,3", "=102,12342,9")},
        // A delete leaves no line end after the last line.
        {kDelete, "102", deleted.substr(0, deleted.size() - 2)},
        {kBroker, "10.0.0.9",
         Replaced(Replaced(kHandEdited, ",12342,", ",777,"), "=127.0.0.1", "=10.0.0.9")},
        {kPersist, "N", Replaced(kHandEdited, "PersistMessages=Y", "PersistMessages=N")},
    };
    for (const bool finalLineEnd : {true, false}) {
        const std::string before =
            finalLineEnd ? kHandEdited : kHandEdited.substr(0, kHandEdited.size() - 2);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.kind) + (finalLineEnd ? "" : ", no final line end"));
            FixFile file(before);
            ExpectEngineSeesTheListedUsers(file.path);
            ASSERT_EQ(Apply(file, c.kind, c.argument), Outcome::Written);
            // Only a broker-ID change leaves the last line as it ended.
            const bool keepsLastEnd = c.kind == kBroker && !finalLineEnd;
            EXPECT_EQ(file.Read(), keepsLastEnd ? c.after.substr(0, c.after.size() - 2) : c.after);
            ExpectEngineSeesTheListedUsers(file.path);
        }
    }
}

TEST(FixSessionFile, FindBlockLooksForTheBeginMarkerOnly) {
    FixFile file(WithCrLf(kFixDefault + Block(101, 2) +
                          "\n#beginsession_102\n[SESSION]\nTargetCompID=102,12342,3\n" +
                          "[SESSION]\nTargetCompID=300,12342,1\n"));
    using fix_file::BlockLookup;
    EXPECT_EQ(fix_file::FindBlock(file.path, "101"), BlockLookup::Found);
    EXPECT_EQ(fix_file::FindBlock(file.path, "102"), BlockLookup::Found);
    EXPECT_EQ(fix_file::FindBlock(file.path, "10"), BlockLookup::Missing);
    EXPECT_EQ(fix_file::FindBlock(file.path, "300"), BlockLookup::Missing);  // a session only
    EXPECT_EQ(fix_file::FindBlock(file.dir.File("missing.cfg"), "101"), BlockLookup::CannotRead);
    EXPECT_EQ(fix_file::FindBlock(file.dir.path(), "101"), BlockLookup::CannotRead);
}

// Whether a broker-ID change would write anything: it agrees exactly when the change leaves
// the file as it is, which the change itself then shows.
TEST(FixSessionFile, BrokerIdAndLocalIpAgreeWhenTheChangeWouldKeepEveryByte) {
    const struct {
        const char* name;
        std::string content;
        const char* localIp;
        bool agree;
    } cases[] = {
        {"as written", kThreeUsers, "127.0.0.1", true},
        {"CR LF, no final line end", NoFinalNewline(WithCrLf(kThreeUsers)), "127.0.0.1", true},
        {"hand edited", kHandEdited, "127.0.0.1", true},
        {"another broker", kFixDefault + Block(101, 2) + Block(102, 3, "999"), "127.0.0.1", false},
        {"no branch part", kFixDefault + "TargetCompID=9,12342\n", "127.0.0.1", false},
        {"another address", kThreeUsers, "10.0.0.9", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FixFile file(c.content);
        bool agree = !c.agree;
        ASSERT_TRUE(fix_file::BrokerIdAndLocalIpAgree(file.path, "12342", c.localIp, &agree));
        EXPECT_EQ(agree, c.agree);
        ASSERT_EQ(fix_file::ChangeBrokerIdAndLocalIp(file.path, file.temporary, "12342", c.localIp,
                                                     file.log.get(), file.site),
                  Outcome::Written);
        EXPECT_EQ(file.Read() == c.content, c.agree);
    }
    TempDir dir;
    bool agree = false;
    EXPECT_FALSE(
        fix_file::BrokerIdAndLocalIpAgree(dir.File("missing.cfg"), "12342", "127.0.0.1", &agree));
}

// A FIX file reached through a symbolic link is written through: the link stays and the
// temporary file goes beside the link's target. Without write permission nothing changes.
TEST(FixSessionFile, LinksAreWrittenThroughAndReadOnlyFilesLeft) {
    for (const mode_t mode : {0640, 0444}) {
        FixFile done(kThreeUsers), file(kThreeUsers);
        ASSERT_EQ(Apply(done, kEdit, "102"), Outcome::Written);
        const std::string target = file.dir.File("real/qel_fix_fo.cfg");
        ASSERT_EQ(mkdir(file.dir.File("real").c_str(), 0755), 0);
        ASSERT_EQ(std::rename(file.path.c_str(), target.c_str()), 0);
        ASSERT_EQ(symlink(target.c_str(), file.path.c_str()), 0);
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        const bool writable = mode == 0640;
        EXPECT_EQ(Apply(file, kEdit, "102"), writable ? Outcome::Written : Outcome::RemoveFailed);
        EXPECT_EQ(ReadFile(target), writable ? done.Read() : kThreeUsers);
        struct stat info {};
        ASSERT_EQ(lstat(file.path.c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode));
        EXPECT_EQ(ListDir(file.dir.File("real")), std::vector<std::string>{"qel_fix_fo.cfg"});
        EXPECT_EQ(file.log.Count(Fmt("SYSTEM_ERROR|Removing of the configuration file [%s] "
                                     "failed. Error Code : [13] ",
                                     file.path.c_str())),
                  writable ? 0u : 1u);
    }
}

}  // namespace
