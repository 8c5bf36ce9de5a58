// The log-volume strip above a log page's list: rows per minute by kind of reason code from
// messages of known times, a click on a bar going to the first row of its minute, a dragged
// range filtering the list, and the filter's matches counted beside the bars.
#include <QPushButton>
#include <QTest>

#include "support/LogPage.h"
#include "views/LogMessageModel.h"
#include "views/LogVolume.h"
#include "views/LogVolumeStrip.h"

using namespace testing_support;
using gateway::LogMessage;
using gateway::VersionMessage;

namespace {

// 14:05:00 UTC on Monday 2 March 2026, a minute's start.
constexpr std::int32_t kMinute = 1772460300;

// Bars of whole minutes from kMinute, as "users/host/queue/other matches".
QStringList Minutes(const LogVolume& volume, int minutes) {
    QStringList texts;
    for (const LogVolume::Bar& bar : volume.Bars(kMinute, kMinute + 60 * minutes, 60)) {
        texts << QString("%1/%2/%3/%4 %5")
                     .arg(bar.rows[0])
                     .arg(bar.rows[1])
                     .arg(bar.rows[2])
                     .arg(bar.rows[3])
                     .arg(bar.matches);
    }
    return texts;
}

}  // namespace

class LogVolumeTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { TrustOwnGateways(); }

    void barsCountEachMinutesKindsAndLeadToTheirRows() {
        Page page;
        page.view.resize(1200, 500);
        page.view.show();
        // Minute 0: two user-link rows and a queue alarm; minute 1: nothing; minute 2: a
        // trading-host row, another code, a user-link row.
        QVERIFY(page.Receive({VersionMessage(30107), LogMessage(false, kMinute + 5, 1001, 11018, 0),
                              LogMessage(false, kMinute + 20, 1002, 11011, 0),
                              LogMessage(false, kMinute + 59, -1, 13001, 9),
                              LogMessage(false, kMinute + 121, -1, 12001, 1),
                              LogMessage(false, kMinute + 130, 1003, 10, 0),
                              LogMessage(false, kMinute + 170, 1004, 11018, 0)},
                             6));
        const LogVolume& volume = page.view.Model().Volume();
        QCOMPARE(Minutes(volume, 3), (QStringList{"2/0/1/0 0", "0/0/0/0 0", "1/1/0/1 0"}));

        // A click on minute 2's bar selects its first row, the 12001 at 14:07:01.
        LogVolumeStrip* strip = page.view.VolumeStrip();
        QCOMPARE(strip->Step(), 1);  // three minutes fit as seconds
        strip->Zoom(kMinute, kMinute + 180);
        QCOMPARE(strip->Step(), 1);
        QTest::mouseClick(strip, Qt::LeftButton, {},
                          QPoint(strip->XOf(kMinute + 121) + 1, strip->height() / 2));
        const int selected = page.view.List()->SelectedRow();
        QCOMPARE(page.Rows().value(selected),
                 QString(" / Monday, March 02, 2026, 14:07:01 / QEL failed to login to the "
                         "trading host. / 1"));

        // The filter's matches are counted beside the bars.
        QTest::keyClicks(page.Field(), "logged on");
        QVERIFY(PumpUntil([&] { return page.Count() == "2 of 6"; }));
        QCOMPARE(Minutes(volume, 3), (QStringList{"2/0/1/0 1", "0/0/0/0 0", "1/1/0/1 1"}));
        page.Field()->clear();
        QVERIFY(PumpUntil([&] { return page.Count() == "6 of 6"; }));

        // Dragging over minute 0 keeps its rows; the button lets every time through again.
        strip->Zoom(0, 0);
        const int y = strip->height() / 2;
        QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(strip->XOf(kMinute), y));
        QTest::mouseMove(strip, QPoint(strip->XOf(kMinute + 59), y));
        QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(strip->XOf(kMinute + 59), y));
        QVERIFY(PumpUntil([&] { return page.Count() == "3 of 6"; }));
        QVERIFY(page.view.TimeRangeButton()->isVisible());
        QVERIFY(page.view.TimeRangeButton()->text().startsWith("&Time 14:05"));
        QTest::mouseClick(page.view.TimeRangeButton(), Qt::LeftButton);
        QVERIFY(PumpUntil([&] { return page.Count() == "6 of 6"; }));
        QVERIFY(!page.view.TimeRangeButton()->isVisible());
    }

    void aTimeFarFromTheRestIsCountedOutsideAndEmptyingForgetsAll() {
        LogVolume volume;
        volume.Add(kMinute, 11018, 0);
        volume.Add(kMinute + LogVolume::kMaxSpanSeconds + 5, 11018, 1);  // a clock gone wrong
        volume.Add(kMinute - 3600, 12001, 2);                            // an hour before: kept
        QCOMPARE(volume.Outside(), 1u);
        QCOMPARE(volume.FirstSecond(), std::int64_t{kMinute - 3600});
        QCOMPARE(volume.FirstPlace(kMinute - 3600, kMinute + 1), 0u);
        QCOMPARE(volume.FirstPlace(kMinute + 1, kMinute + 60), LogVolume::kNoPlace);
        // Whole hours are summed from the hours: 13:00 holds the 12001, 14:00 the 11018.
        const std::vector<LogVolume::Bar> hours =
            volume.Bars(kMinute - 300 - 3600, kMinute - 300 + 3600, 3600);
        QCOMPARE(hours.size(), std::size_t{2});
        QCOMPARE(hours[0].rows[LogVolume::kTradingHostLink], 1u);
        QCOMPARE(hours[1].rows[LogVolume::kUserLink], 1u);
        QCOMPARE(hours[1].total(), 1u);
        volume.Clear();
        QVERIFY(volume.Empty());
    }
};

QTEST_MAIN(LogVolumeTest)
#include "LogVolumeTest.moc"
