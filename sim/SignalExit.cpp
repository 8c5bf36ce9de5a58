#include "SignalExit.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace {

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

// The signals are blocked and read from a signalfd in the event loop rather than caught by a
// handler: a handler may run late or never while the loop sleeps in a poll that a sanitizer
// runtime does not watch, and the peers must end promptly whenever a test or script asks.
void QuitOnTerminationSignals() {
    const sigset_t set = TerminationSignals();
    // The peers start no threads of their own, so blocking here covers the whole process.
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
        return;
    }
    const int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) {
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        return;
    }
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [fd] {
        signalfd_siginfo info;
        [[maybe_unused]] ssize_t n = read(fd, &info, sizeof info);
        QCoreApplication::exit(0);
    });
}

void UnblockTerminationSignals() {
    const sigset_t set = TerminationSignals();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}
