// The main window on a real X server with a window manager: its start-up place and size,
// and the whole content at its designed size.
#include <QLabel>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

#include "app/AboutDlg.h"
#include "config/GenericConfiguration.h"
#include "support/GuiFixture.h"
#include "views/GenericActiveUsersList.h"

using namespace testing_support;

namespace {

// The frame as the window system has it now. QWidget::frameGeometry() keeps the frame the
// widget had at its last move or resize, and the window manager may announce the frame after
// both (on a busy machine it often does): that one would stay a frame of nothing.
QRect Frame(QWidget& window) {
    return window.windowHandle()->frameGeometry();
}

bool Framed(QWidget& window, std::chrono::seconds deadline) {
    return PumpUntil(
        [&] {
            const QRect frame = Frame(window);
            return frame.contains(window.geometry()) && frame != window.geometry();
        },
        deadline);
}

// Shows the window and waits until the window manager has framed and placed it.
bool ShowManaged(QWidget& window) {
    window.show();
    return Framed(window, std::chrono::seconds(20));
}

}  // namespace

class WindowManagerTest : public QObject {
    Q_OBJECT
  private slots:
    // A window mapped while the window manager is still taking over the screen may never be
    // framed: the tests start once a probe window is, each probe a fresh window.
    void initTestCase() {
        for (int attempt = 0; attempt < 6; ++attempt) {
            QWidget probe;
            probe.resize(200, 100);
            probe.show();
            if (Framed(probe, std::chrono::seconds(5))) {
                return;
            }
        }
        QFAIL("the window manager frames no window");
    }

    void maximizingGivesBackTheStartupPlaceAndSize() {
        GuiFixture fixture({1, 2, 3, 4, 5, 6, 7});
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(ShowManaged(window));
        const QRect frame = Frame(window);
        QVERIFY(PumpUntil([&] { return window.StartupRect() == frame; }));
        window.showMaximized();
        PumpUntil([&] { return !window.isMaximized() && Frame(window) == frame; },
                  std::chrono::seconds(5));
        QVERIFY(!window.isMaximized());
        QCOMPARE(Frame(window), frame);
    }

    // The dialogs are of fixed size: the window manager offers neither maximizing nor resizing.
    void fixedSizeDialogsOfferNoMaximizeNorResize() {
        GuiFixture fixture({2}, {2});
        CGenericConfiguration configuration(2, fixture.layout.ConfigPath(2),
                                            fixture.layout.FixConfigPath(2), 1, nullptr, nullptr);
        configuration.OnInitDialog();
        CAboutDlg about(fixture.Store());
        CGenericActiveUsersList users(2, fixture.layout.InteractivePort(2), nullptr);
        for (QDialog* dialog : std::initializer_list<QDialog*>{&configuration, &about, &users}) {
            QVERIFY(ShowManaged(*dialog));
            QProcess xprop;
            xprop.start("xprop",
                        {"-id", QString::number(dialog->winId()), "_NET_WM_ALLOWED_ACTIONS"});
            QVERIFY(xprop.waitForFinished(5000));
            const QByteArray actions = xprop.readAllStandardOutput();
            QVERIFY2(actions.contains("_NET_WM_ACTION_CLOSE"), actions.constData());
            QVERIFY2(!actions.contains("MAXIMIZE") && !actions.contains("_NET_WM_ACTION_RESIZE"),
                     qPrintable(dialog->windowTitle() + ": " + actions));
            dialog->hide();
        }
    }

    void theDesignedSizeShowsTheWholeContentAndShorterScrollsByAtLeastAPixel() {
        GuiFixture fixture({1, 2, 3, 4, 5, 6, 7});
        CZEVOClientPHASE4Dlg& window = fixture.Window();
        QVERIFY(ShowManaged(window));
        QCOMPARE(window.Scroll().Range(), 0);
        QLabel* caption = nullptr;
        for (QLabel* label : window.findChildren<QLabel*>()) {
            if (label->text() == "LOG MESSAGES" && label->isVisible()) {
                caption = label;
            }
        }
        QVERIFY(caption);
        QVERIFY(caption->mapTo(&window, QPoint(0, caption->height())).y() <= window.height());
        QVERIFY(!window.StatusList()->horizontalScrollBar()->isVisible());

        window.resize(window.width(), window.height() - 50);
        QVERIFY(PumpUntil([&] { return window.Scroll().Range() == 50; }));
        QCOMPARE(window.ScrollBar()->singleStep(), 1);
        window.ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(window.ScrollBar()->value(), 1);
    }
};

QTEST_MAIN(WindowManagerTest)
#include "WindowManagerTest.moc"
