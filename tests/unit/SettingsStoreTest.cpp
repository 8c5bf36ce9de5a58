#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/RegistryFile.h"
#include "platform/SettingsStore.h"
#include "support/TestSupport.h"

using namespace testing_support;
using platform::RegistryFileStore;
using namespace std::string_literals;

namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    // The store reads its file anew at every key it opens.
    const platform::SettingsStore& Store(const std::string& text) {
        WriteFile(dir_.File("qel_ip.reg"), text);
        return store_;
    }
    TempDir dir_;
    RegistryFileStore store_{dir_.File("qel_ip.reg")};
};

// A string value read into a 1024-byte buffer, or "<missing>".
std::string String(const platform::SettingsStore& store, const std::string& key, const char* name) {
    std::string value = "<missing>";
    if (auto k = store.OpenKey(key)) {
        platform::QueryString(*k, name, 1024, &value);
    }
    return value;
}

const char* const kExport =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\r\n"
    "\"ZEVO_LOG_FILES_PATH\"=\"C:\\\\Program Files\\\\QEL\\\\Logs\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
    "\r\n"
    "[hkey_local_machine\\software\\qel_ip\\2]\r\n"
    "\"interface_thread_non_interactive_port\"=dword:0000271a\r\n"
    "\"Expand\"=hex(2):2f,00,6f,00,70,00,\\\r\n"
    "  74,00,00,00\r\n"
    "@=\"default\"\r\n";

}  // namespace

TEST_F(SettingsStoreTest, ReadsAWindowsExportInEveryEncodingIgnoringCase) {
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string(kExport)) {
        utf16 += {c, '\0'};
    }
    for (const std::string& text : {std::string(kExport), "\xEF\xBB\xBF"s + kExport, utf16}) {
        const auto& store = Store(text);
        EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP", "zevo_log_files_path"),
                  "C:\\Program Files\\QEL\\Logs");
        EXPECT_EQ(String(store, "software\\qel_ip", "QUOTED"), "say \"hi\"");
        EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\2", "Expand"), "/opt");
        EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\2", ""), "default");
        auto fo = store.OpenKey("SOFTWARE\\QEL_IP\\2");
        ASSERT_TRUE(fo);
        std::int32_t port = 0;
        EXPECT_TRUE(platform::QueryDword(*fo, "INTERFACE_THREAD_NON_INTERACTIVE_PORT", &port));
        EXPECT_EQ(port, 10010);
        EXPECT_FALSE(store.OpenKey("SOFTWARE\\QEL_IP\\1"));
        EXPECT_EQ(platform::LastError(), platform::kSettingsNotFound);
        EXPECT_TRUE(store.OpenKey("SOFTWARE"));  // parents of a key exist
    }
}

TEST_F(SettingsStoreTest, AValueMustFitTheBufferWithItsTerminatingNul) {
    std::string fits(1023, 'a'), tooLong(1024, 'b');
    const auto& store = Store("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\1]\n\"FITS\"=\"" + fits +
                              "\"\n\"LONG\"=\"" + tooLong + "\"\n\"SHORTPORT\"=\"123\"\n" +
                              "\"LONGPORT\"=\"12345\"\n\"DWORD\"=dword:00000031\n");
    EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\1", "FITS"), fits);
    EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\1", "LONG"), "<missing>");
    EXPECT_EQ(platform::LastError(), platform::kSettingsMoreData);

    auto key = store.OpenKey("SOFTWARE\\QEL_IP\\1");
    std::int32_t value = -1;
    // The stored type is not looked at: three characters and a NUL fill four bytes.
    EXPECT_TRUE(platform::QueryDword(*key, "SHORTPORT", &value));
    EXPECT_EQ(value, 0x00333231);
    EXPECT_FALSE(platform::QueryDword(*key, "LONGPORT", &value));
    EXPECT_EQ(value, 0x00333231);
    // A dword read as text gives its four bytes.
    EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\1", "DWORD"), "1");
}

TEST_F(SettingsStoreTest, MalformedLinesAndAMissingFileCountAsMissing) {
    const auto& store = Store(
        "garbage line\n"
        "\"ORPHAN\"=\"before any key\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\1]\n"
        "\"GOOD\"=\"yes\"\n"
        "\"UNTERMINATED\"=\"no end\n"
        "\"BADDWORD\"=dword:123456789\n"
        "\"NOTHEX\"=dword:zz\n"
        "\"TRAILING\"=\"x\" junk\n"
        "\"NOEQUALS\" \"x\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\3\n"
        "\"AFTERTRUNCATED\"=\"lost\"\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\QEL_IP\\4]\n"
        "\"OTHERHIVE\"=\"lost\"\n"
        "\x01\x02\xff\xfe\x00\x80 binary\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\5]\n"
        "; old logs were in C:\\logs\\\n"
        "\"AFTERCOMMENT\"=\"kept\"\n"
        "\"LAST\"=\"ok\""s);
    EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\1", "GOOD"), "yes");
    for (const char* name :
         {"UNTERMINATED", "BADDWORD", "NOTHEX", "TRAILING", "NOEQUALS", "AFTERTRUNCATED"}) {
        EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\1", name), "<missing>") << name;
    }
    EXPECT_FALSE(store.OpenKey("SOFTWARE\\QEL_IP\\3"));
    EXPECT_FALSE(store.OpenKey("SOFTWARE\\QEL_IP\\4"));
    EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\5", "LAST"), "ok");
    EXPECT_EQ(String(store, "SOFTWARE\\QEL_IP\\5", "AFTERCOMMENT"),
              "kept");  // a comment continues nothing
    EXPECT_FALSE(RegistryFileStore(dir_.File("absent.reg")).OpenKey("SOFTWARE"));  // no file: empty
}

// A store path that names no regular file, or a file far beyond any export, is an unreadable
// store: never read without end, never waited on.
TEST_F(SettingsStoreTest, AStoreThatIsNoRegularFileOrHugeIsUnreadable) {
    const std::string fifo = dir_.File("fifo.reg"), huge = dir_.File("huge.reg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    WriteFile(huge, std::string(kExport) + std::string(17 << 20, ';'));
    for (const std::string& path : {fifo, huge, dir_.path(), std::string("/dev/zero")}) {
        EXPECT_FALSE(RegistryFileStore(path).OpenKey("SOFTWARE\\QEL_IP")) << path;
    }
    EXPECT_TRUE(Store(kExport).OpenKey("SOFTWARE\\QEL_IP"));
}
