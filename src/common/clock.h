#pragma once

#include <QDateTime>

namespace tarvo {

// The time of day and today's date, and the program's deliberate pauses.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    virtual void sleepMs(int ms) = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    void sleepMs(int ms) override;
};

} // namespace tarvo
