#include "app/quit_on_signal.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

// SIGTERM ends the event loop (so the window's clean stop runs) instead of the process.
TEST(QuitOnSignal, TerminationEndsTheEventLoop) {
    tarvo::quitOnTerminationSignals(*QCoreApplication::instance());
    bool stillRunning = false;
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    // Should the signal not end the loop, this ends it with another code.
    QTimer::singleShot(10000, [&] {
        stillRunning = true;
        QCoreApplication::exit(7);
    });
    const int code = QCoreApplication::exec();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(stillRunning);
}
