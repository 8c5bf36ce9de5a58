// The log page's rows without its window: what a filter shows, in the order the list shows
// it, compared with every row's cells looked at one by one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"

namespace {

using testing_support::TempDir;

// Row `i` of a page: user IDs count up from 1, so the list's user IDs tell its rows apart;
// a reason value, a reason code and a second that vary and give the filter texts to find.
LogRow Numbered(int i) {
    static const std::uint16_t codes[] = {0, 7, 42, 1001, 11018};
    return LogRow{1772460309 + i / 500, i + 1,
                  static_cast<std::int32_t>(std::int64_t{i} * 7919 % 100003 - 50000),
                  codes[static_cast<unsigned>(i) % std::size(codes)]};
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Whether a cell of `row`, as the list writes it, contains `text` ignoring case. The time and
// the message are written once per second and per code: they depend on nothing else.
class EveryCell {
  public:
    explicit EveryCell(const std::string& text) : m_text(Lower(text)) {}
    bool Matches(const LogRow& row) {
        auto time = m_times.find(row.eventTime);
        if (time == m_times.end()) {
            time = m_times.emplace(row.eventTime, Lower(EventTimeText(row))).first;
        }
        auto message = m_messages.find(row.reasonCode);
        if (message == m_messages.end()) {
            message = m_messages.emplace(row.reasonCode, Lower(MessageText(row))).first;
        }
        return Lower(UserIdText(row)).find(m_text) != std::string::npos ||
               time->second.find(m_text) != std::string::npos ||
               message->second.find(m_text) != std::string::npos ||
               Lower(ReasonValueText(row)).find(m_text) != std::string::npos;
    }

  private:
    std::string m_text;
    std::map<std::int32_t, std::string> m_times;
    std::map<std::uint16_t, std::string> m_messages;
};

// The user IDs of the first `shown` rows that have a cell containing `text`, newest first:
// rows that arrive under a filter go on top of those it found among the rows held before.
std::vector<int> ExpectedUserIds(int shown, const std::string& text) {
    EveryCell cells(text);
    std::vector<int> ids;
    for (int i = shown - 1; i >= 0; --i) {
        if (cells.Matches(Numbered(i))) {
            ids.push_back(Numbered(i).userId);
        }
    }
    return ids;
}

std::vector<int> ShownUserIds(const LogMessageModel& model) {
    std::vector<int> ids;
    for (int row = 0; row < model.RowCount(); ++row) {
        ids.push_back(model.Row(row).userId);
    }
    return ids;
}

// Every row shown is found again where it is shown, as a selection kept across batches
// finds its row.
void ExpectEachPlaceFindsItsRow(const LogMessageModel& model) {
    for (int row = 0; row < model.RowCount(); ++row) {
        ASSERT_EQ(model.RowOf(model.PlaceOf(row)), row) << "row " << row;
    }
}

void AddRows(LogMessageModel& model, int from, int to) {
    for (int i = from; i < to; ++i) {
        model.Add(Numbered(i));
    }
    model.Flush();
}

// Runs the search's slices as the window's event loop would, until it has looked at all.
bool SearchEnds(const LogMessageModel& model) {
    return testing_support::WaitFor(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return !model.Searching();
        },
        std::chrono::seconds(60));
}

}  // namespace

// A longer text typed while the shorter one is still being looked for: the rows the shorter
// one has not reached yet are looked at too, so every row that has the longer text shows.
TEST(LogMessageModel, ALongerTextTypedWhileTheSearchRunsFindsEveryMatchingRow) {
    TempDir dir;
    LogMessageModel model;
    model.Store().SetSpill(dir.File("cache"), LogRowStore::kDefaultMemoryRows);
    constexpr int kRows = 1 << 21;
    AddRows(model, 0, kRows);

    model.SetFilter("4");
    // The first slice has looked at the newest rows only.
    ASSERT_TRUE(model.Searching());
    ASSERT_LT(model.Searched(), model.SearchTotal());
    model.SetFilter("42");
    ASSERT_TRUE(model.Searching());
    model.SetFilter("421");
    ASSERT_TRUE(SearchEnds(model));
    const std::vector<int> expected = ExpectedUserIds(kRows, "421");
    ASSERT_GT(expected.size(), 1000u);
    EXPECT_EQ(ShownUserIds(model), expected);
    ExpectEachPlaceFindsItsRow(model);

    // Narrowed again once the search is over, it keeps the same rows a longer text has.
    model.SetFilter("4217");
    ASSERT_TRUE(SearchEnds(model));
    EXPECT_EQ(ShownUserIds(model), ExpectedUserIds(kRows, "4217"));
    ExpectEachPlaceFindsItsRow(model);
}

// Rows that arrived while a filter was set are looked at first when a longer text narrows it,
// newest first, and go on above the rows held before; rows arriving after that go on top.
TEST(LogMessageModel, NarrowingKeepsTheRowsThatArrivedUnderTheLastFilterInTheirPlaces) {
    TempDir dir;
    LogMessageModel model;
    model.Store().SetSpill(dir.File("cache"), LogRowStore::kDefaultMemoryRows);
    constexpr int kHeld = 30000;
    AddRows(model, 0, kHeld);
    model.SetFilter("3");
    ASSERT_TRUE(SearchEnds(model));
    // Three batches arrive under "3".
    AddRows(model, kHeld, kHeld + 4000);
    AddRows(model, kHeld + 4000, kHeld + 4001);
    AddRows(model, kHeld + 4001, kHeld + 9000);
    EXPECT_EQ(ShownUserIds(model), ExpectedUserIds(kHeld + 9000, "3"));

    model.SetFilter("-3");
    ASSERT_TRUE(SearchEnds(model));
    std::vector<int> expected = ExpectedUserIds(kHeld + 9000, "-3");
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(ShownUserIds(model), expected);
    ExpectEachPlaceFindsItsRow(model);

    AddRows(model, kHeld + 9000, kHeld + 12000);
    EXPECT_EQ(ShownUserIds(model), ExpectedUserIds(kHeld + 12000, "-3"));
    ExpectEachPlaceFindsItsRow(model);
    // Narrowed once more, the rows that arrived under both texts keep their order too.
    model.SetFilter("-31");
    ASSERT_TRUE(SearchEnds(model));
    EXPECT_EQ(ShownUserIds(model), ExpectedUserIds(kHeld + 12000, "-31"));
    ExpectEachPlaceFindsItsRow(model);
}
