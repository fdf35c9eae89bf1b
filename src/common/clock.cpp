#include "clock.h"

#include <QThread>

#include <chrono>

namespace tarvo {

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

qint64 SystemClock::steadyMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepMs(int ms) {
    QThread::msleep(ulong(ms));
}

} // namespace tarvo
