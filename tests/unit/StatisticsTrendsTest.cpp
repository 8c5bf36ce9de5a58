#include <gtest/gtest.h>

#include <random>

#include "views/StatisticsFile.h"
#include "views/StatisticsTrendModel.h"
#include "views/StatisticsTrends.h"
#include "views/TrendSeries.h"

namespace {

constexpr std::int64_t kT0 = 1796500800;  // a minute's start

TrendPoint Change(std::int64_t time, double value) {
    return {time, 0, value, value, value};
}

TrendPoint Minute(std::int64_t time, double min, double max, double last) {
    return {time, 60, min, max, last};
}

TEST(StatisticsTrendsTest, FiguresReadAsNumbersAsMonitoringReadsThem) {
    double value = 0;
    EXPECT_TRUE(ParseFigure(" 35.5\r\n", &value));
    EXPECT_EQ(value, 35.5);
    EXPECT_TRUE(ParseFigure("-1e3", &value));
    EXPECT_EQ(value, -1000);
    for (const char* text : {"", "  ", "Up", "0x10", "12 Nos", "inf", "nan", "1e999"}) {
        EXPECT_FALSE(ParseFigure(text, &value)) << text;
    }
}

TEST(StatisticsTrendsTest, EachChangeOfTheLastHourIsAPoint) {
    TrendSeries series;
    series.AddNumber(kT0, 10);
    series.AddNumber(kT0 + 1, 10);  // no change, no point
    series.AddNumber(kT0 + 5, 11);
    series.AddNumber(kT0 + 5, 12);  // the same second: the later figure counts
    series.AddNumber(kT0 + 3, 99);  // older than one taken
    series.AddNumber(kT0 + 9, 0.125);
    const TrendHistory history = series.History(kT0 + 20);
    EXPECT_EQ(history.points, (std::vector<TrendPoint>{Change(kT0, 10), Change(kT0 + 5, 12),
                                                       Change(kT0 + 9, 0.125)}));
    EXPECT_TRUE(history.gaps.empty());
    EXPECT_EQ(history.end, kT0 + 20);
}

TEST(StatisticsTrendsTest, StaleFiguresAndTextAreGaps) {
    TrendSeries series;
    series.AddNumber(kT0, 1);
    series.AddNumber(kT0 + 100, 1);
    // Blank on the page from kT0 + 400 until a fresh figure at kT0 + 700.
    series.AddNumber(kT0 + 700, 2);
    series.AddText(kT0 + 710);
    series.AddNumber(kT0 + 710, 3);  // the second of the text: left out
    series.AddNumber(kT0 + 720, 4);
    const TrendHistory history = series.History(kT0 + 1200);
    EXPECT_EQ(history.points, (std::vector<TrendPoint>{Change(kT0, 1), Change(kT0 + 700, 2),
                                                       Change(kT0 + 720, 4)}));
    // The last figure went stale at kT0 + 1020; the gap runs up to now.
    EXPECT_EQ(history.gaps,
              (std::vector<TrendGap>{
                  {kT0 + 400, kT0 + 700}, {kT0 + 710, kT0 + 720}, {kT0 + 1020, kT0 + 1200}}));
    EXPECT_TRUE(series.History(kT0 + 1019).gaps.back().start == kT0 + 710);
}

TEST(StatisticsTrendsTest, ChangesOlderThanAnHourBecomeMinutes) {
    TrendSeries series;
    // Every second for two hours: a saw of 0..59 each minute, with text for the minute's
    // seconds 10 to 19 in minute 5 (a gap within a minute) and nothing in minutes 20 to 29.
    for (std::int64_t t = kT0; t < kT0 + 7200; ++t) {
        const std::int64_t minute = (t - kT0) / 60;
        const std::int64_t second = (t - kT0) % 60;
        if (minute == 5 && second >= 10 && second < 20) {
            series.AddText(t);
        } else if (minute < 20 || minute >= 30) {
            series.AddNumber(t, static_cast<double>(second * 2));
        }
    }
    const TrendHistory history = series.History(kT0 + 7200);
    EXPECT_EQ(history.points.front(), Minute(kT0, 0, 118, 118));
    EXPECT_EQ(history.points[5], Minute(kT0 + 300, 0, 118, 118));
    EXPECT_EQ(history.points[20], Minute(kT0 + 1800, 0, 118, 118));
    // The stale minutes are a gap; the ten seconds of text are too short for the minutes.
    EXPECT_EQ(history.gaps, (std::vector<TrendGap>{{kT0 + 1199 + 300, kT0 + 1800}}));
    // The last hour (and the five minutes before it) is whole: one change a second.
    const auto firstChange = std::find_if(history.points.begin(), history.points.end(),
                                          [](const TrendPoint& p) { return p.span == 0; });
    EXPECT_EQ(firstChange - history.points.begin(), 20 + 25);  // the minutes 0..19 and 30..54
    EXPECT_LE(firstChange->time, kT0 + 3600);
    EXPECT_EQ(history.points.end() - firstChange, kT0 + 7200 - firstChange->time);
    EXPECT_EQ(history.points.back(), Change(kT0 + 7199, 118));
}

TEST(StatisticsTrendsTest, SevenDaysAreKeptAndMemoryStaysBounded) {
    // The costliest figure: a new fraction every second, for eight days.
    TrendSeries series;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> figure(0, 1);
    const std::int64_t end = kT0 + 8 * 86400;
    std::size_t most = 0;
    for (std::int64_t t = kT0; t < end; ++t) {
        series.AddNumber(t, figure(random));
        most = std::max(most, series.Bytes());
    }
    const TrendHistory history = series.History(end);
    EXPECT_GE(history.points.front().time, end - TrendSeries::kKept - 2 * 3600);
    EXPECT_LE(history.points.front().time, end - TrendSeries::kKept);
    EXPECT_LE(most, 450u * 1024);  // the bound TrendSeries states
}

TEST(StatisticsTrendsTest, ExactFiguresComeBackExactly) {
    TrendSeries series;
    const std::vector<double> figures = {
        0, -5, 1e15, -9007199254740993.0, 35.5, 35.725, 0.1 + 0.2, 1e-300, 1e300, 4, -0.001};
    for (std::size_t k = 0; k < figures.size(); ++k) {
        series.AddNumber(kT0 + static_cast<std::int64_t>(k) * 7, figures[k]);
    }
    std::vector<double> read;
    for (const TrendPoint& point : series.History(kT0 + 100).points) {
        read.push_back(point.last);
    }
    EXPECT_EQ(read, figures);
}

TEST(StatisticsTrendsTest, APageKeepsNumbersOnlyFresh) {
    StatisticsTrends trends;
    const std::int64_t now = kT0 + 1000;
    trends.Take(0, "Up", kT0 + 990, now);  // never a number: no history
    trends.Take(1, "5", kT0 + 600, now);   // stale on arrival
    trends.Take(2, "7", now + 3600, now);  // from the future: taken as now
    EXPECT_EQ(trends.Series(0), nullptr);
    EXPECT_EQ(trends.Series(1), nullptr);
    ASSERT_NE(trends.Series(2), nullptr);
    EXPECT_EQ(trends.Series(2)->History(now).points, std::vector<TrendPoint>{Change(now, 7)});
}

TEST(StatisticsTrendsTest, RowsOfOneUnitAreDrawnTogetherAndTheOthersSaid) {
    StatisticsTrends trends;
    const std::int64_t now = kT0 + 100;
    trends.Take(0, "10", kT0, now);
    trends.Take(1, "3", kT0, now);
    trends.Take(2, "4", kT0, now);
    trends.Take(3, "Up", kT0, now);
    StatisticsTrendModel model(trends);
    model.Refresh(now);
    EXPECT_EQ(model.Note(), "Select a row to see its trend");
    model.Select({{0, "Orders", "10", "Nos"},
                  {1, "Rate", "3", "/s"},
                  {2, "Trades", "4", "Nos"},
                  {3, "Host link", "Up", ""},
                  {4, "Queue", "", ""}});
    model.Refresh(now);
    ASSERT_EQ(model.Lines().size(), 2u);
    EXPECT_EQ(model.Lines()[1].parameter, "Trades");
    EXPECT_EQ(model.Note(),
              "Rate is not drawn: its unit \"/s\" differs from \"Nos\" of Orders\n"
              "Host link is not a number: no chart\n"
              "Queue has no fresh figure: no chart");
    EXPECT_EQ(model.From(), now - 3600);
    EXPECT_EQ(model.Range(0, kT0, now).points, std::vector<TrendPoint>{Change(kT0, 10)});
}

}  // namespace
