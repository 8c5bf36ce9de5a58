#include <QDir>
#include <QTest>
#include <QTreeWidget>

#include "support/GuiFixture.h"
#include "support/WidgetText.h"
#include "views/GenericStatistics.h"

using namespace testing_support;

namespace {

// The rows of a page's list, as "Parameter / Value / Unit".
QStringList Rows(const CGenericStatistics* page) {
    const auto* list = page ? page->findChild<QTreeWidget*>("1014") : nullptr;
    return list ? testing_support::Rows(list->model(), 3) : QStringList();
}

std::string Now() {
    return std::to_string(platform::DefaultClock().UnixSeconds());
}

}  // namespace

class StatisticsViewTest : public QObject {
    Q_OBJECT
  private slots:
    void staleFiguresAndCaseBlindRows() {
        FakeClock clock(2026, 12, 6, 10, 0, 0);
        CGenericStatistics page;
        page.SetClock(clock);
        const auto now = static_cast<std::uint64_t>(clock.UnixSeconds());
        page.UpdateParameter(1, "Orders", "10", "Nos", now - 299);
        page.UpdateParameter(1, "Trades", "4", "Nos", now - 300);
        page.UpdateParameter(1, "ORDERS", "11", "/s", now + 60);  // a future time passes
        page.UpdateParameter(1, "Queue", "", "", 0);
        // A name that is not valid text keeps its one row, pass after pass.
        page.UpdateParameter(1, "Temp\xe9rature", "20", "C", now);
        page.UpdateParameter(1, "TEMP\xe9RATURE", "21", "C", now);
        QCOMPARE(page.List()->topLevelItemCount(), 4);
        QCOMPARE(page.List()->topLevelItem(3)->text(1), QString("21"));
        delete page.List()->takeTopLevelItem(3);
        QCOMPARE(Rows(&page), (QStringList{"Orders / 11 / /s", "Trades /  / Nos", "Queue /  / "}));
        QCOMPARE(page.List()->headerItem()->text(0), QString("Parameter"));
    }

    void filesReachTheirMarketsPages() {
        GuiFixture fixture({1});
        const std::string stats = fixture.layout.StatisticsDir();
        WriteFile(stats + "/common.stat", "100,Users connected,12,Nos," + Now() +
                                              "|\n100,Orders,3,/s," + Now() +
                                              "|\n100,ORDERS,4,/s," + Now() + "|\n");
        WriteFile(stats + "/fo.stat", "2,FO orders,7,/s," + Now() + "|");  // FO is not installed
        WriteFile(stats + "/cm.stat", "1,Trades|1,Host link,Up,," + Now() + "|");
        WriteFile(stats + "/broken.stat",
                  std::string("100,Hidden,1,u,") + Now() + std::string("|\0", 2));
        QVERIFY(QDir(QString::fromStdString(stats)).mkdir("sub.stat"));
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(PumpUntil([&] { return Rows(window.StatisticsPage(1)).size() == 2; }));
        QCOMPARE(Rows(window.StatisticsPage(0)),
                 (QStringList{"Users connected / 12 / Nos", "Orders / 4 / /s"}));
        QCOMPARE(Rows(window.StatisticsPage(1)),
                 (QStringList{"Trades /  / ", "Host link / Up / "}));
        QVERIFY(fixture.boxes.shown.empty());

        // The next pass picks up a changed file.
        WriteFile(stats + "/common.stat", "100,Users connected,13,Nos," + Now() + "|");
        QVERIFY(PumpUntil([&] {
            return Rows(window.StatisticsPage(0)).first() == "Users connected / 13 / Nos";
        }));
    }

    void missingDirectorySettingShowsOneBox() {
        GuiFixture fixture({2});
        std::string registry = ReadFile(fixture.layout.RegistryPath());
        const auto at = registry.find("\"CURRENT_FILES_PATH\"");
        QVERIFY(at != std::string::npos);
        WriteFile(fixture.layout.RegistryPath(), registry.replace(at, 9, "\"OTHER_"));
        WriteFile(fixture.layout.StatisticsDir() + "/common.stat",
                  "100,Users,1,Nos," + Now() + "|");
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(PumpUntil([&] { return !fixture.boxes.shown.empty(); }));
        QCOMPARE(fixture.boxes.shown, std::vector<std::string>{"Error: QEL Setup Error."});
        QVERIFY(
            fixture.HasLine("EVENT|Cannot query registry for "
                            "CURRENT_FILES_PATH.|StatisticsThread.cpp|show_qel_statistics"));
        QCOMPARE(Rows(window.StatisticsPage(0)), QStringList());
    }
};

QTEST_MAIN(StatisticsViewTest)
#include "StatisticsViewTest.moc"
