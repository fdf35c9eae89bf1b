#pragma once

#include <QDateTime>

namespace tarvo {

// The time of day and today's date, a clock for lengths of time, and the program's deliberate
// pauses.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    // Milliseconds on a clock that only goes forward, whatever the time of day does: for how
    // long something took, never for when.
    virtual qint64 steadyMs() const = 0;
    virtual void sleepMs(int ms) = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    qint64 steadyMs() const override;
    void sleepMs(int ms) override;
};

} // namespace tarvo
