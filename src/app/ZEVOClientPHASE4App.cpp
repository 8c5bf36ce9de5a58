// The program's entry: one modal main window whose end code is the exit code.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/QtMessageBoxes.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "base/Version.h"
#include "platform/ConfigLock.h"

namespace {

void DescribeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription("Console for the QEL trading gateways of this machine.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {"c", "Open the gateway configuration of market <code> (1 CM .. 7 MF) at start.", "code"});
}

// --help and --version answer without opening a display.
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

// ZEVO_SCREENSHOT=<file.png> saves a picture of the main window once, after
// ZEVO_SCREENSHOT_DELAY_MS (default 8000) milliseconds: how the demo shows the window on a
// machine without a display.
void ScheduleScreenshot(QWidget& window) {
    const QString path = qEnvironmentVariable("ZEVO_SCREENSHOT");
    if (path.isEmpty()) {
        return;
    }
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("ZEVO_SCREENSHOT_DELAY_MS", &ok);
    QTimer::singleShot(ok ? delay : 8000, &window, [&window, path] {
        if (window.grab().save(path)) {
            std::printf("Screenshot of the main window: %s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "zevo: cannot write the screenshot %s\n", qPrintable(path));
        }
        std::fflush(stdout);
    });
}

int g_terminationPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(g_terminationPipe[1], &byte, 1);
}

bool g_terminated = false;

// SIGTERM and SIGHUP (a session or service manager ending the program) end ZEVO as Exit does
// after the operator's yes: the threads stop and the activity log closes its file. Whatever
// is open (a message box, a dialog, each in an event loop of its own) is left too: every
// event loop ends, and one started after this returns at once.
void EndOnTerminationSignals(CZEVOClientPHASE4Dlg& dialog) {
    if (pipe2(g_terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "zevo: SIGTERM and SIGHUP will not end zevo: pipe2: %s\n",
                     std::strerror(errno));
        return;
    }
    auto* notifier = new QSocketNotifier(g_terminationPipe[0], QSocketNotifier::Read, &dialog);
    QObject::connect(notifier, &QSocketNotifier::activated, &dialog, [&dialog, notifier] {
        char bytes[16];
        while (read(g_terminationPipe[0], bytes, sizeof bytes) > 0) {
        }
        notifier->setEnabled(false);
        g_terminated = true;
        dialog.EndZEVO();
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const auto& [signal, name] :
         {std::pair{SIGTERM, "SIGTERM"}, std::pair{SIGHUP, "SIGHUP"}}) {
        if (sigaction(signal, &action, nullptr) != 0) {
            std::fprintf(stderr, "zevo: %s will not end zevo: sigaction: %s\n", name,
                         std::strerror(errno));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName("zevo");
        QCoreApplication::setApplicationVersion(ZEVO_VERSION);
        QCommandLineParser parser;
        DescribeCommandLine(parser);
        parser.process(app);  // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZEVO");
    QApplication::setApplicationVersion(ZEVO_VERSION);
    // The program's texts are plain Latin text: drawn without a shaping pass, the lists that
    // repaint with every log message and statistics pass cost a fraction of the time.
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(font);
    QtMessageBoxes boxes;
    // A save that waits for another configuration writer keeps the window painting and the
    // log pages receiving; the operator's input waits with it.
    platform::SetLockWait(
        {10000, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }});
    CZEVOClientPHASE4Dlg dialog(RealMachine(&boxes));
    // Before start-up, so a signal that comes while the window is being set up is not lost.
    EndOnTerminationSignals(dialog);
    dialog.OnInitDialog(app.arguments().mid(1));
    if (g_terminated) {
        return 0;  // ended while a dialog of the start-up was open
    }
    ScheduleScreenshot(dialog);
    return dialog.exec();
}
