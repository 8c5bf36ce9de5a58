// The trend under a statistics page's list: figures read from real statistics files by the
// statistics thread, the chart's points and gaps, and what the pane says.
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "app/StatisticsThread.h"
#include "log/ActivityLog.h"
#include "platform/RegistryFile.h"
#include "support/RecordingBoxes.h"
#include "support/TestSupport.h"
#include "support/WidgetText.h"
#include "views/ControlIds.h"
#include "views/GenericStatistics.h"
#include "views/StatisticsTrendPane.h"
#include "views/TrendChart.h"

using namespace testing_support;

namespace {

// 2026-12-06 10:00:00 UTC, the time of the first figures.
const std::int64_t kT0 = 1796551200;

// A CM statistics page fed by the statistics thread from the installation's statistics
// folder, on a clock the test moves.
struct FedPage {
    FedPage()
        : layout(LaidOut(dir.path(), {1})),
          store(layout.RegistryPath()),
          log(store, clock),
          thread(
              store, log,
              [this](std::vector<StatisticsRecord> records) {
                  QMetaObject::invokeMethod(
                      &page,
                      [this, records = std::move(records)] {
                          CGenericStatistics* pages[8] = {&page};
                          DispatchStatistics(records, pages);
                      },
                      Qt::QueuedConnection);
              },
              [] {}, std::chrono::milliseconds(20)) {
        page.SetMarketType(1);
        page.SetClock(clock);
        page.resize(720, 640);
        page.show();
        thread.Start();
    }

    void SetClock(std::int64_t seconds) { clock.Set(2026, 12, 6, 10, 0, int(seconds - kT0), 0); }

    // Replaces the market's statistics file whole, as the gateway does.
    void Write(const std::string& text) {
        WriteFile(dir.File("next"), text);
        std::rename(dir.File("next").c_str(), (layout.StatisticsDir() + "/cm.stat").c_str());
    }

    // The clock first, then the figures of that moment, then until the page shows them.
    bool Step(std::int64_t now, const std::string& orders, std::int64_t stamp, int step) {
        SetClock(now);
        const std::string time = "," + std::to_string(stamp) + "|";
        Write("1,Orders," + orders + ",Nos" + time + "1,Trades," + std::to_string(step) + ",Nos" +
              time + "1,Rate,3.5,/s" + time + "1,Host link,Up," + time);
        return Shows("Orders", now - stamp >= 300 ? "" : orders) &&
               Shows("Trades", now - stamp >= 300 ? "" : std::to_string(step));
    }

    bool Shows(const char* parameter, const std::string& value) {
        return PumpUntil([&] {
            const int row = page.FindParameterRow(parameter);
            return row >= 0 && page.List()->topLevelItem(row)->text(1) == value.c_str();
        });
    }

    QTreeWidget* List() { return page.List(); }
    const StatisticsTrendModel& Model() { return page.TrendPane()->Model(); }
    QString Note() { return page.findChild<QLabel*>(control_id::kTrendNote)->text(); }
    void Click(int row, Qt::KeyboardModifiers keys = {}) {
        const QRect at = List()->visualItemRect(List()->topLevelItem(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, keys, at.center());
    }
    QStringList LineNames() {
        QStringList names;
        for (const auto& line : Model().Lines()) {
            names << QString::fromStdString(line.parameter);
        }
        return names;
    }

    TempDir dir;
    InstallationLayout layout;
    platform::RegistryFileStore store;
    FakeClock clock{2026, 12, 6, 10, 0, 0};
    ActivityLog log;
    CGenericStatistics page;
    StatisticsThread thread;  // last: stopped first
};

TrendPoint Change(std::int64_t time, double value) {
    return {time, 0, value, value, value};
}

}  // namespace

class StatisticsTrendTest : public QObject {
    Q_OBJECT
  private slots:
    void aFigureFromItsFileIsDrawnWithItsStaleAndTextGaps() {
        FedPage fed;
        QVERIFY(fed.Step(kT0, "10", kT0, 1));
        QVERIFY(fed.Step(kT0 + 10, "12", kT0 + 10, 2));
        QVERIFY(fed.Step(kT0 + 20, "12", kT0 + 20, 3));
        QVERIFY(fed.Step(kT0 + 400, "12", kT0 + 20, 3));  // the file stopped: blank at kT0 + 320
        QVERIFY(fed.Step(kT0 + 500, "15", kT0 + 500, 5));
        QVERIFY(fed.Step(kT0 + 510, "n/a", kT0 + 510, 6));
        QVERIFY(fed.Step(kT0 + 520, "9", kT0 + 520, 7));
        QCOMPARE(fed.Note(), QString("Select a row to see its trend"));

        fed.Click(0);
        QCOMPARE(fed.LineNames(), QStringList{"Orders"});
        QCOMPARE(fed.Model().Lines()[0].unit, std::string("Nos"));
        QCOMPARE(fed.Note(), QString());
        const TrendHistory shown = fed.Model().Range(0, kT0 - 60, kT0 + 600);
        QCOMPARE(shown.points,
                 (std::vector<TrendPoint>{Change(kT0, 10), Change(kT0 + 10, 12),
                                          Change(kT0 + 500, 15), Change(kT0 + 520, 9)}));
        QCOMPARE(shown.gaps,
                 (std::vector<TrendGap>{{kT0 + 320, kT0 + 500}, {kT0 + 510, kT0 + 520}}));
        QCOMPARE(fed.Model().To(), kT0 + 520);

        // With the figure selected, time goes on: once it is stale the chart has a gap to now.
        fed.SetClock(kT0 + 900);
        QVERIFY(fed.Shows("Orders", ""));
        QVERIFY(PumpUntil([&] { return fed.Model().To() == kT0 + 900; }));
        QCOMPARE(fed.Model().Lines()[0].history.gaps.back(), (TrendGap{kT0 + 820, kT0 + 900}));

        // Hovering along the chart tells each figure, and the gaps as having none.
        fed.page.TrendPane()->SpanBox()->setCurrentIndex(0);  // the last 15 minutes
        QCOMPARE(fed.Model().From(), kT0);
        TrendChart* chart = fed.page.findChild<TrendChart*>(control_id::kTrendChart);
        QSet<QString> said;
        for (int x = 0; x < chart->width(); ++x) {
            const QStringList lines = chart->HoverText(QPoint(x, chart->height() / 2)).split('\n');
            if (lines.size() == 2) {
                QVERIFY2(QRegularExpression("^10:[01]\\d:\\d\\d$").match(lines[0]).hasMatch(),
                         qPrintable(lines[0]));
                said << lines[1];
            }
        }
        QCOMPARE(said, (QSet<QString>{"Orders: 10 Nos", "Orders: 12 Nos", "Orders: no figure",
                                      "Orders: 15 Nos", "Orders: 9 Nos"}));
    }

    void theKeysChooseRowsAndThePaneSaysWhatIsNotDrawn() {
        FedPage fed;
        QVERIFY(fed.Step(kT0, "10", kT0, 1));
        QVERIFY(fed.Step(kT0 + 10, "12", kT0 + 10, 2));
        fed.Click(0);
        fed.List()->setFocus();
        QTest::keyClick(fed.List(), Qt::Key_Down);
        QCOMPARE(fed.LineNames(), QStringList{"Trades"});
        QCOMPARE(fed.Model().Range(0, kT0, kT0 + 10).points,
                 (std::vector<TrendPoint>{Change(kT0, 1), Change(kT0 + 10, 2)}));
        QTest::keyClick(fed.List(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(fed.LineNames(), QStringList{"Trades"});
        QCOMPARE(fed.Note(), QString("Rate is not drawn: its unit \"/s\" differs from \"Nos\" of "
                                     "Trades"));
        fed.Click(0, Qt::ControlModifier);
        QCOMPARE(fed.LineNames(), (QStringList{"Orders", "Trades"}));
        const TrendChart* chart = fed.page.findChild<TrendChart*>(control_id::kTrendChart);
        QVERIFY(chart->isVisible());
        QTest::keyClick(fed.List(), Qt::Key_End);
        QCOMPARE(fed.LineNames(), QStringList());
        QCOMPARE(fed.Note(), QString("Host link is not a number: no chart"));
        QVERIFY(!chart->isVisible());
        // The next pass keeps the note; the list keeps its rows and texts.
        QVERIFY(fed.Step(kT0 + 20, "13", kT0 + 20, 3));
        QCOMPARE(fed.Note(), QString("Host link is not a number: no chart"));
        QCOMPARE(Rows(fed.List()->model(), 3),
                 (QStringList{"Orders / 13 / Nos", "Trades / 3 / Nos", "Rate / 3.5 / /s",
                              "Host link / Up / "}));
    }
};

QTEST_MAIN(StatisticsTrendTest)
#include "StatisticsTrendTest.moc"
