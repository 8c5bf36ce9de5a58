#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "config/KeyValueFile.h"
#include "platform/TextFile.h"
#include "support/FailingFileOperations.h"
#include "support/TestSupport.h"

using namespace testing_support;
using namespace std::string_literals;
using Step = platform::ReplaceStep;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
using Names = std::vector<std::string>;

struct Written {
    int result;
    std::string content;
    std::string error;
};

const std::string kUtf8Bom = "\xEF\xBB\xBF";

// `ascii` as Windows PowerShell saves text by default: UTF-16 after its byte-order mark,
// little-endian (FF FE) or big-endian (FE FF).
std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

Written Write(const std::string& path, const Pairs& pairs) {
    char keys[20][40] = {}, values[20][40] = {}, error[1024] = "";
    for (size_t i = 0; i < pairs.size(); ++i) {
        std::strncpy(keys[i], pairs[i].first.c_str(), 39);
        std::strncpy(values[i], pairs[i].second.c_str(), 39);
    }
    int result = write_configuration_parameters(path.c_str(), keys, values,
                                                static_cast<int>(pairs.size()), error);
    return {result, ReadFile(path), error};
}

// What both lookups of HOST_PORT_NUMBER give: "result value | result text", where 4242 and
// "untouched" are the caller's variables before the call.
std::string Lookups(const std::string& path, int capacity = 64) {
    int value = 4242;
    char buffer[64] = "untouched";
    int by_token = get_int_parameter(path.c_str(), "HOST_PORT_NUMBER", &value);
    int by_line = get_string_parameter(path.c_str(), "HOST_PORT_NUMBER", buffer, capacity);
    return std::to_string(by_token) + " " + std::to_string(value) + " | " +
           std::to_string(by_line) + " " + buffer;
}

TEST(KeyValueFile, LookupsScanTokensForIntegersAndLinesForStrings) {
    const std::string piece(511, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"HOST_PORT_NUMBER=10263\n", "0 10263 | 0 10263"},
        {"HOST_PORT_NUMBER = 10263\n", "-1 4242 | -1 untouched"},
        {"A=1 HOST_PORT_NUMBER=2\n", "0 2 | -1 untouched"},
        {"HOST_PORT_NUMBER=1 B=2\n", "0 1 | 0 1 B=2"},
        {"HOST_PORT_NUMBER==5\n", "0 5 | 0 =5"},
        {"HOST_PORT_NUMBER=AB=C D\n", "0 0 | 0 AB=C D"},
        {"HOST_PORT_NUMBER=\n", "-1 4242 | -1 untouched"},
        {"", "-1 4242 | -1 untouched"},
        {"#HOST_PORT_NUMBER=1\nhost_port_number=3\nHOST_PORT_NUMBER=-7x\n", "0 -7 | 0 -7x"},
        {"HOST_PORT_NUMBER\nHOST_PORT_NUMBER=3\n", "-1 4242 | -1 untouched"},  // first match
        {"==\n\n=HOST_PORT_NUMBER=+8=9", "0 8 | 0 +8=9"},
        {"HOST_PORT_NUMBER=99999999999\n", "0 2147483647 | 0 99999999999"},
        {"HOST_PORT_NUMBER=5\r\n", "0 5 | 0 5"},  // the CR belongs to the line end
        {"HOST_PORT_NUMBER=5\r\r\n", "0 5 | 0 5\r"},
        // Past 511 characters a line goes on as the next one; an over-long token is skipped.
        {piece + "HOST_PORT_NUMBER=6\n", "-1 4242 | 0 6"},
        {"HOST_PORT_NUMBER=" + piece + "\nHOST_PORT_NUMBER=7\n", "0 7 | -1 untouched"},
    };
    TempDir dir;
    const std::string path = dir.File("gateway.cfg");
    for (const auto& [content, expected] : cases) {
        WriteFile(path, content);
        EXPECT_EQ(Lookups(path), expected) << content.substr(0, 60);
    }
    WriteFile(path, "HOST_PORT_NUMBER=12345\n");
    EXPECT_EQ(Lookups(path, 6), "0 12345 | 0 12345");
    EXPECT_EQ(Lookups(path, 5), "0 12345 | -1 untouched");
    EXPECT_EQ(Lookups(dir.File("absent.cfg")), "300 4242 | 300 untouched");
}

TEST(KeyValueFile, WriterReplacesDeletesAppendsAndKeepsOtherLinesModeAndOwner) {
    const std::string piece(511, 'x');
    const Pairs key5c7 = {{"KEY", "5"}, {"C", "7"}};
    const std::tuple<std::string, Pairs, int, std::string> cases[] = {
        {"KEY=3\n#KEY=1\n\nKEY=3\n", {{"KEY", "5"}}, 9000, "KEY=5\n#KEY=1\n\nKEY=5\n"},
        {"A=1\n\n# note\nB=2", {{"KEY", "5"}}, 9002, "A=1\n\n# note\nB=2\nKEY=5\n"},
        {"A=1\nKEY=3\nB=2\nKEY=4\n", {{"KEY", ""}}, 9001, "A=1\nB=2\n"},
        {"KEY=3\nA=1\n", {{"KEY", "5"}, {"KEY", "6"}}, 9000, "KEY=5\nKEY=6\nA=1\n"},
        {"A=1", {{"KEY", ""}}, 1, "A=1"},
        // The last change in file order, then append order, names the result.
        {"A=1\nB=2\n", {{"B", ""}, {"A", "9"}}, 9001, "A=9\n"},
        {"A=1\nB=2\n", {{"C", "3"}, {"A", ""}}, 9002, "B=2\nC=3\n"},
        {"KEY =3\n==\n===", {{"KEY", "5"}}, 9002, "KEY =3\n==\n===\nKEY=5\n"},
        // Every byte not changed stays: long lines, CR LF line ends, bytes that are not UTF-8.
        {piece + "yy\n", {}, 1, piece + "yy\n"},
        {"A=1\r\nKEY=3\r\n# c\r\nB=2", key5c7, 9002, "A=1\r\nKEY=5\r\n# c\r\nB=2\r\nC=7\r\n"},
        {"A=1\nKEY=3\r\nB=\xe9\xff\n", key5c7, 9002, "A=1\nKEY=5\r\nB=\xe9\xff\nC=7\n"},
        {"KEY=3\r\n", {{"KEY", "3"}}, 9000, "KEY=3\r\n"},
    };
    TempDir dir;
    const std::string path = dir.File("gateway.cfg");
    WriteFile(path, "");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const bool root = geteuid() == 0;
    ASSERT_TRUE(!root || chown(path.c_str(), 1234, 5678) == 0);
    for (const auto& [before, changes, result, after] : cases) {
        SCOPED_TRACE(before.substr(0, 60));
        WriteFile(path, before);  // the file keeps its mode and owner
        const Written written = Write(path, changes);
        EXPECT_EQ(written.result, result);
        EXPECT_EQ(written.content, after);
        EXPECT_EQ(written.error, "");
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_TRUE(!root || (info.st_uid == 1234 && info.st_gid == 5678));
        EXPECT_EQ(ListDir(dir.path()), Names{"gateway.cfg"});
    }
    const Written missing = Write(dir.File("absent.cfg"), {{"KEY", "5"}});
    EXPECT_EQ(missing.result, 300);
    EXPECT_EQ(missing.error, "Couldn't open file [" + dir.File("absent.cfg") + "] in read mode.");
    char keys[1][40] = {"KEY"}, values[1][40] = {"5"}, error[1024];  // a folder is no file
    EXPECT_EQ(write_configuration_parameters(dir.path().c_str(), keys, values, 1, error), 300);
    EXPECT_EQ(std::string(error), "Couldn't open file [" + dir.path() + "] in read mode.");
    EXPECT_EQ(ListDir(dir.path()), Names{"gateway.cfg"});
}

TEST(KeyValueFile, FailureAtAnyStepKeepsTheOriginalAndGives200) {
    const std::pair<Step, int> failures[] = {
        {Step::CreateTemporary, EMFILE},
        {Step::Write, ENOSPC},
        {Step::Flush, ENOSPC},
        {Step::Rename, EXDEV},
    };
    TempDir dir;
    const std::string path = dir.File("gateway.cfg");
    const std::string original = "BOX_ID=1\n# keep\n\nBROKER_ID=ABC\nHOST_IP=10.0.0.1\n";
    for (const auto& [step, error] : failures) {
        SCOPED_TRACE(static_cast<int>(step));
        WriteFile(path, original);
        FailingFileOperations operations(step, error);
        Written written = Write(path, {{"BOX_ID", "2"}});
        EXPECT_EQ(written.result, 200);
        EXPECT_EQ(written.content, original);
        EXPECT_EQ(ListDir(dir.path()), Names{"gateway.cfg"});
        EXPECT_EQ(operations.temporary.rfind(path + ".tmp.", 0), 0u) << operations.temporary;
        EXPECT_EQ(written.error, step == Step::Rename
                                     ? "Renaming the temporary file failed. Error Code : [18]"
                                     : "Couldn't open temporary file [" + operations.temporary +
                                           "] in write mode.");
    }
    // After the rename the new content is in place, even when the directory's fsync fails.
    FailingFileOperations directory(Step::None, EIO);
    EXPECT_EQ(Write(path, {{"BOX_ID", "3"}}).result, 9000);
    EXPECT_EQ(ReadFile(path), "BOX_ID=3\n" + original.substr(9));
    EXPECT_EQ(platform::ReplaceFile(path, "", {}, directory).directory_sync_error, EIO);
}

TEST(KeyValueFile, Utf16AndNulFilledFilesCannotBeOpenedAndAreNeverWritten) {
    const std::string line = "HOST_PORT_NUMBER=10263\r\n";
    const std::string refused[] = {
        Utf16(line, false),
        Utf16(line, true),
        Utf16(line, false).substr(2),  // no byte-order mark: every other byte is NUL
        line + std::string(8192, '\0'),
    };
    TempDir dir;
    const std::string path = dir.File("gateway.cfg");
    for (const std::string& content : refused) {
        SCOPED_TRACE(content.substr(0, 8));
        WriteFile(path, content);
        EXPECT_EQ(Lookups(path), "300 4242 | 300 untouched");
        const Written written = Write(path, {{"HOST_PORT_NUMBER", "1"}, {"BOX_ID", "2"}});
        EXPECT_EQ(written.result, 300);
        EXPECT_EQ(written.error, "Couldn't open file [" + path + "] in read mode.");
        EXPECT_EQ(written.content, content);
        EXPECT_EQ(ListDir(dir.path()), Names{"gateway.cfg"});
    }
    // A stray NUL in a note does not make a text file binary.
    WriteFile(path, "# saved \0 by a tool\n"s + line);
    EXPECT_EQ(Lookups(path), "0 10263 | 0 10263");
    const Written written = Write(path, {{"HOST_PORT_NUMBER", "1"}});
    EXPECT_EQ(written.result, 9000);
    EXPECT_EQ(written.content, "# saved \0 by a tool\nHOST_PORT_NUMBER=1\r\n"s);
}

TEST(KeyValueFile, AUtf8ByteOrderMarkBelongsToNoLineAndStaysInFront) {
    const std::string piece(511, 'x'), bom = kUtf8Bom;
    const std::pair<std::string, std::string> lookups[] = {
        {bom + "HOST_PORT_NUMBER=10263\r\nBOX_ID=1\r\n", "0 10263 | 0 10263"},
        {bom + "=HOST_PORT_NUMBER=7", "0 7 | 0 7"},
        {bom + piece + "HOST_PORT_NUMBER=6\n", "-1 4242 | 0 6"},
        {"BOX_ID=1\n" + bom + "HOST_PORT_NUMBER=5\n", "-1 4242 | -1 untouched"},
    };
    TempDir dir;
    const std::string path = dir.File("gateway.cfg");
    for (const auto& [content, expected] : lookups) {
        WriteFile(path, content);
        EXPECT_EQ(Lookups(path), expected) << content.substr(0, 60);
    }
    const std::tuple<std::string, Pairs, int, std::string> writes[] = {
        {bom + "MACHINE_LAN_IP=10.0.0.1\r\nBOX_ID=1\r\n",
         {{"MACHINE_LAN_IP", "10.0.0.2"}},
         9000,
         bom + "MACHINE_LAN_IP=10.0.0.2\r\nBOX_ID=1\r\n"},
        {bom + "MACHINE_LAN_IP=10.0.0.1\nBOX_ID=1\n",
         {{"MACHINE_LAN_IP", ""}},
         9001,
         bom + "BOX_ID=1\n"},
        {bom + "MACHINE_LAN_IP=10.0.0.1",
         {{"BOX_ID", "2"}},
         9002,
         bom + "MACHINE_LAN_IP=10.0.0.1\nBOX_ID=2\n"},
        {bom, {{"BOX_ID", "2"}}, 9002, bom + "BOX_ID=2\n"},
        {bom + "BOX_ID=2\r\n", {{"BOX_ID", "2"}}, 9000, bom + "BOX_ID=2\r\n"},
    };
    for (const auto& [before, changes, result, after] : writes) {
        SCOPED_TRACE(before.substr(0, 60));
        WriteFile(path, before);
        const Written written = Write(path, changes);
        EXPECT_EQ(written.result, result);
        EXPECT_EQ(written.content, after);
        EXPECT_EQ(written.error, "");
    }
}

TEST(KeyValueFile, WriterTakesAnIndentedKeyAsItsLineAndKeepsTheIndentation) {
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
        {"   BOX_ID=8\n# x\n", "9", 9000, "   BOX_ID=9\n# x\n"},
        {"\t BOX_ID=8\r\nA=1\r\n", "9", 9000, "\t BOX_ID=9\r\nA=1\r\n"},
        {"A=1\r\n\tBOX_ID=8\r\nB=2", "9", 9000, "A=1\r\n\tBOX_ID=9\r\nB=2"},
        {"A=1\n  BOX_ID=8\nB=2\n\tBOX_ID=7", "", 9001, "A=1\nB=2\n"},
        {"  BOX_ID =8\n#  BOX_ID=8\n  \n", "9", 9002, "  BOX_ID =8\n#  BOX_ID=8\n  \nBOX_ID=9\n"},
    };
    TempDir dir;
    const std::string path = dir.File("gateway.cfg");
    for (const auto& [before, value, result, after] : cases) {
        SCOPED_TRACE(before);
        WriteFile(path, before);
        const Written written = Write(path, {{"BOX_ID", value}});
        EXPECT_EQ(written.result, result);
        EXPECT_EQ(written.content, after);
    }
    // The lookups keep their rules: tokens find an indented key, lines start with the key.
    WriteFile(path, "  HOST_PORT_NUMBER=3\n");
    EXPECT_EQ(Lookups(path), "0 3 | -1 untouched");
}

// The file's inode and modification time, as a reader polling for changes sees them.
std::pair<ino_t, std::int64_t> Identity(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return {info.st_ino, info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec};
}

TEST(KeyValueFile, AFileWhoseBytesWouldNotChangeIsNotWrittenAtAll) {
    const std::tuple<std::string, Pairs, int> unchanged[] = {
        {"BOX_ID=8\r\n", {{"BOX_ID", "8"}}, 9000},
        {"  BOX_ID=8\n", {{"BOX_ID", "8"}}, 9000},
        {kUtf8Bom + "BOX_ID=8\n# \xe9\n", {{"BOX_ID", "8"}}, 9000},
        {"BOX_ID=8\n", {{"HOST_IP", ""}}, 1},
        {std::string(600, 'x') + "\n", {}, 1},
    };
    TempDir dir;
    const std::string path = dir.File("gateway.cfg");
    const timespec past[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    for (const auto& [content, changes, result] : unchanged) {
        SCOPED_TRACE(content.substr(0, 20));
        WriteFile(path, content);
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
        const auto before = Identity(path);
        EXPECT_EQ(Write(path, changes).result, result);
        EXPECT_EQ(Identity(path), before);
        EXPECT_EQ(ReadFile(path), content);
    }
    // A change puts a new file in place.
    const auto before = Identity(path);
    EXPECT_EQ(Write(path, {{"BOX_ID", "9"}}).result, 9002);
    EXPECT_NE(Identity(path).first, before.first);
}

TEST(TextFile, WhyAPathCannotBeEditedAsText) {
    TempDir dir;
    const std::string text = dir.File("text.cfg"), big = dir.File("big.cfg");
    const auto why = [&](const std::string& bytes) {
        WriteFile(text, bytes);
        return platform::WhyNotEditableText(text);
    };
    EXPECT_EQ(why("BOX_ID=1\n"), "");
    EXPECT_EQ(why(""), "");
    EXPECT_EQ(why(kUtf8Bom + "BOX_ID=1\r\n"), "");
    EXPECT_EQ(why("# a \0 in a note\nBOX_ID=1\n"s), "");
    EXPECT_EQ(why(Utf16("BOX_ID=1\r\n", false)),
              "it holds UTF-16 text (byte-order mark FF FE); save it as UTF-8 or ASCII");
    EXPECT_EQ(why(Utf16("BOX_ID=1\r\n", true)),
              "it holds UTF-16 text (byte-order mark FE FF); save it as UTF-8 or ASCII");
    EXPECT_EQ(why(Utf16("BOX_ID=1\r\n", false).substr(2)),
              "it holds mostly NUL bytes, so it is not a text file");
    EXPECT_EQ(why("BOX_ID=1\n" + std::string(8192, '\0')),
              "it holds mostly NUL bytes, so it is not a text file");
    EXPECT_EQ(platform::WhyNotEditableText(dir.File("absent.cfg")), "No such file or directory");
    EXPECT_EQ(platform::WhyNotEditableText(text + "/inner.cfg"), "Not a directory");
    EXPECT_EQ(platform::WhyNotEditableText(dir.path()), "it is a folder");
    ASSERT_EQ(mkfifo(dir.File("fifo.cfg").c_str(), 0600), 0);
    EXPECT_EQ(platform::WhyNotEditableText(dir.File("fifo.cfg")), "it is not a regular file");
    // Text, then zeros up to the bound: only the first bytes decide whether it is text.
    WriteFile(big, std::string(4096, 'x'));
    ASSERT_EQ(truncate(big.c_str(), 16 << 20), 0);
    EXPECT_EQ(platform::WhyNotEditableText(big), "");
    ASSERT_EQ(truncate(big.c_str(), (16 << 20) + 1), 0);
    EXPECT_EQ(platform::WhyNotEditableText(big), "it is larger than 16 MB");
    if (geteuid() != 0) {  // root reads any file
        WriteFile(text, "BOX_ID=1\n");
        ASSERT_EQ(chmod(text.c_str(), 0), 0);
        EXPECT_EQ(platform::WhyNotEditableText(text), "Permission denied");
    }
}

TEST(TextFile, Utf16MarksAndAQuarterOfNulBytesInTheFirst4096AreNoText) {
    using platform::LooksLikeUtf16OrBinary;
    EXPECT_TRUE(LooksLikeUtf16OrBinary("\xFF\xFE"));
    EXPECT_TRUE(LooksLikeUtf16OrBinary("\xFE\xFF"));
    EXPECT_FALSE(LooksLikeUtf16OrBinary("\xFE"));
    EXPECT_FALSE(LooksLikeUtf16OrBinary("A=\xFF\xFE"));
    EXPECT_TRUE(LooksLikeUtf16OrBinary("ABC\0"s));
    EXPECT_FALSE(LooksLikeUtf16OrBinary("ABCD\0"s));
    EXPECT_FALSE(LooksLikeUtf16OrBinary(""));
    EXPECT_FALSE(LooksLikeUtf16OrBinary(std::string(4096, 'x') + std::string(8192, '\0')));
    EXPECT_TRUE(LooksLikeUtf16OrBinary(std::string(3072, 'x') + std::string(8192, '\0')));
    EXPECT_EQ(platform::Utf8BomLength(kUtf8Bom), 3u);
    EXPECT_EQ(platform::Utf8BomLength(kUtf8Bom + "A=1\n"), 3u);
    EXPECT_EQ(platform::Utf8BomLength(kUtf8Bom.substr(0, 2)), 0u);
    EXPECT_EQ(platform::Utf8BomLength("A=1\n" + kUtf8Bom), 0u);
}

// What is kept of a fixed temporary name after a failed step is checked on the FIX file.
TEST(AtomicReplace, AStaleLongerFileUnderTheFixedTemporaryNameIsOverwritten) {
    TempDir dir;
    const std::string target = dir.File("fix.cfg"), temporary = dir.File("temp_QEL_FIX_CM.cfg");
    WriteFile(target, "old\n");
    WriteFile(temporary, "a stale and longer leftover\n");
    EXPECT_TRUE(platform::ReplaceFile(target, "new\n", {temporary, true}).ok());
    EXPECT_EQ(ListDir(dir.path()), Names{"fix.cfg"});
    EXPECT_EQ(ReadFile(target), "new\n");
}

}  // namespace
