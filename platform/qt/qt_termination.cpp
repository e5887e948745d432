#include <platform/qt_termination.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform::qt {

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalled = 0;

void onSignal(int number) {
    // A second signal while the first waits for a frozen event loop ends the process the
    // default way.
    if (signalled) {
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    signalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void catchTerminationSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void quitOnTerminationSignals(QCoreApplication& app) {
    if (signalPipe[0] < 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::quit();
    });
}

}  // namespace platform::qt
