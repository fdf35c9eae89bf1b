#include "clock.h"

#include <QThread>

namespace tarvo {

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

void SystemClock::sleepMs(int ms) {
    QThread::msleep(ulong(ms));
}

} // namespace tarvo
