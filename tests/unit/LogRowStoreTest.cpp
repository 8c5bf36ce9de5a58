#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/PageMemory.h"
#include "support/TestSupport.h"
#include "views/LogRowStore.h"

namespace {

using testing_support::TempDir;

// A row whose every field tells which one it is.
LogRow Numbered(std::size_t i) {
    const auto n = static_cast<std::int32_t>(i);
    return LogRow{1772460309 + n, n, -n, static_cast<std::uint16_t>(11000 + i % 5000)};
}

void ExpectEveryRow(const LogRowStore& store, std::size_t rows) {
    ASSERT_EQ(store.Size(), rows);
    for (std::size_t i = 0; i < rows; ++i) {
        const LogRow row = store.At(i);
        const LogRow want = Numbered(i);
        ASSERT_TRUE(row.eventTime == want.eventTime && row.userId == want.userId &&
                    row.reasonValue == want.reasonValue && row.reasonCode == want.reasonCode)
            << "row " << i;
    }
}

// Open files of this process under `folder`, unlinked or not.
int OpenFilesUnder(const std::string& folder) {
    int count = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
        count += !error && target.rfind(folder + "/", 0) == 0;
    }
    return count;
}

void AddRows(LogRowStore& store, std::size_t rows) {
    for (std::size_t i = store.Size(); i < rows; ++i) {
        store.Add(Numbered(i));
    }
}

// A store that keeps `memoryRows` in memory and the rest in a file in `folder`, with the
// spill problems it reported.
struct SpillingStore {
    SpillingStore(const std::string& folder, std::size_t memoryRows,
                  std::size_t blocksPerChunk = LogRowStore::kDefaultBlocksPerChunk)
        : store(blocksPerChunk) {
        store.SetSpillProblemHandler([this](const std::string& why) { problems.push_back(why); });
        store.SetSpill(folder, memoryRows);
    }
    LogRowStore store;
    std::vector<std::string> problems;
};

// For its lifetime, no file of this process grows past `bytes`, as on a full disk; a write
// beyond fails with EFBIG instead of ending the process.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedSignal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return m_set; }

  private:
    rlimit m_saved{};
    void (*m_savedSignal)(int) = SIG_DFL;
    bool m_set = false;
};

constexpr std::size_t kBlockBytes = 14 * LogRowStore::kBlockRows;  // one block in the file

}  // namespace

TEST(LogRowStore, OlderRowsGoToAnUnlinkedFileAndReadBackAsTheyCame) {
    TempDir dir;
    const std::string folder = dir.File("cache/zevo");
    SpillingStore spilling(folder, 2 * LogRowStore::kBlockRows);
    LogRowStore& store = spilling.store;
    const std::size_t rows = 5 * LogRowStore::kBlockRows + 7;
    AddRows(store, rows);
    // The newest two blocks (the one being filled and the one before) stay in memory; the file
    // has the four before them.
    EXPECT_EQ(store.SpilledRows(), 4 * LogRowStore::kBlockRows);
    ExpectEveryRow(store, rows);
    EXPECT_TRUE(spilling.problems.empty());
    // The file is in the cache folder, but under no name.
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(OpenFilesUnder(folder), 1);

    store.Clear();
    EXPECT_EQ(store.Size(), 0u);
    EXPECT_EQ(OpenFilesUnder(folder), 0);
    // Filled again after emptying, the file is made anew.
    AddRows(store, rows);
    ExpectEveryRow(store, rows);
    EXPECT_EQ(OpenFilesUnder(folder), 1);
}

// Without a folder the rows may go to, they stay in memory and the reason is given once:
// none given, a path below a file, and folders another account could keep or read the rows
// in (one others may write in, a link, one another account owns); nothing is written there.
TEST(LogRowStore, WithoutAUsableCacheFolderRowsStayInMemoryAndTheReasonIsGivenOnce) {
    TempDir dir;
    testing_support::WriteFile(dir.File("file"), "not a folder\n");
    const std::string open = dir.File("open"), link = dir.File("link"), own = dir.File("own");
    std::filesystem::create_directories(open);
    std::filesystem::create_directories(own);
    std::filesystem::permissions(open, std::filesystem::perms::all);
    std::filesystem::create_directory_symlink(own, link);
    const std::string below = dir.File("file/zevo");
    std::vector<std::pair<std::string, std::string>> cases = {
        {"", "no cache folder: No such file or directory"},
        {below, below + ": Not a directory"},
        {open, open + ": another account owns it or may write in it"},
        {link, link + ": a link, not a folder of this user's own"}};
    if (geteuid() == 0) {
        const std::string other = dir.File("other");
        std::filesystem::create_directories(other);
        ASSERT_EQ(chown(other.c_str(), 65534, 65534), 0);
        cases.push_back({other, other + ": another account owns it or may write in it"});
    }
    for (const auto& [folder, reason] : cases) {
        SpillingStore spilling(folder, LogRowStore::kBlockRows);
        const std::size_t rows = 4 * LogRowStore::kBlockRows + 1;
        AddRows(spilling.store, rows);
        EXPECT_EQ(spilling.store.SpilledRows(), 0u) << folder;
        ExpectEveryRow(spilling.store, rows);
        EXPECT_EQ(spilling.problems, std::vector<std::string>{reason});
        if (std::filesystem::is_directory(folder)) {
            EXPECT_TRUE(std::filesystem::is_empty(folder)) << folder;
        }
    }
}

// Where the file system cannot make a file without a name, one is made under a fresh name in
// the opened folder and removed at once: the rows still never show in the folder.
TEST(LogRowStore, WithoutUnnamedFilesANamedOneIsMadeAndRemovedAtOnce) {
    TempDir dir;
    const std::string folder = dir.File("cache");
    platform::SpillFile file(4096);
    file.SetUnnamedFiles(false);
    ASSERT_TRUE(file.Open(folder)) << file.Error();
    char* bytes = static_cast<char*>(file.Extend(4096));
    ASSERT_NE(bytes, nullptr) << file.Error();
    std::memset(bytes, 'x', 4096);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(OpenFilesUnder(folder), 1);
    EXPECT_EQ(static_cast<char*>(file.At(4095))[0], 'x');
    file.Close();
    EXPECT_EQ(OpenFilesUnder(folder), 0);
}

// A file of several chunks of two blocks each: every chunk's rows read back as they came, the
// second block of a chunk as well as the first.
TEST(LogRowStore, RowsSpreadOverManyChunksOfTheFileReadBackAsTheyCame) {
    TempDir dir;
    SpillingStore spilling(dir.File("cache"), LogRowStore::kBlockRows, 2);
    LogRowStore& store = spilling.store;
    const std::vector<std::string>& problems = spilling.problems;
    const std::size_t rows = 7 * LogRowStore::kBlockRows + 3;
    AddRows(store, rows);
    EXPECT_EQ(store.SpilledRows(), 7 * LogRowStore::kBlockRows);  // four chunks, the last half full
    ExpectEveryRow(store, rows);
    EXPECT_TRUE(problems.empty());

    // Emptied and filled again, the new file's chunks hold the new rows.
    store.Clear();
    AddRows(store, 5 * LogRowStore::kBlockRows);
    EXPECT_EQ(store.SpilledRows(), 4 * LogRowStore::kBlockRows);
    ExpectEveryRow(store, 5 * LogRowStore::kBlockRows);
}

// The disk fills up after two chunks: rows that would go to the file stay in memory, every
// row stays readable, and the reason is given once however many rows come after.
TEST(LogRowStore, WhenTheFileCannotGrowRowsStayInMemoryAndTheReasonIsGivenOnce) {
    TempDir dir;
    SpillingStore spilling(dir.File("cache"), LogRowStore::kBlockRows, 2);
    LogRowStore& store = spilling.store;
    const std::vector<std::string>& problems = spilling.problems;
    const std::size_t rows = 9 * LogRowStore::kBlockRows + 11;
    {
        FileSizeLimit limit(4 * kBlockBytes);
        ASSERT_TRUE(limit.Set());
        AddRows(store, rows);
    }
    EXPECT_EQ(store.SpilledRows(), 4 * LogRowStore::kBlockRows);
    ExpectEveryRow(store, rows);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "cache file: File too large");

    // With room again, the store keeps its rows in memory until it is emptied...
    AddRows(store, rows + 2 * LogRowStore::kBlockRows);
    EXPECT_EQ(store.SpilledRows(), 4 * LogRowStore::kBlockRows);
    ExpectEveryRow(store, rows + 2 * LogRowStore::kBlockRows);
    EXPECT_EQ(problems.size(), 1u);
    // ...and then tries the file again.
    store.Clear();
    AddRows(store, 4 * LogRowStore::kBlockRows);
    EXPECT_EQ(store.SpilledRows(), 3 * LogRowStore::kBlockRows);
    ExpectEveryRow(store, 4 * LogRowStore::kBlockRows);
    EXPECT_EQ(problems.size(), 1u);
}
