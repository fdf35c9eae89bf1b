#include "app/quit_on_signal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvo {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    // The interrupted code may be reading errno just now.
    const int savedErrno = errno;
    const char byte = 1;
    // Async-signal-safe: a write that cannot block (non-blocking socket), result ignored.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

void quitOnTerminationSignals(QCoreApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char buffer[16];
        while (::read(signalPipe[1], buffer, sizeof buffer) > 0) {
        }
        app.quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

} // namespace tarvo
