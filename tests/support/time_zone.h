#pragma once
// The local time zone for one scope: whatever way the scope ends, even an assertion's early
// return, the zone the process had is set again.

#include <QByteArray>
#include <QtGlobal>

#include <time.h>

class ScopedTimeZone {
public:
    ScopedTimeZone() = default;
    explicit ScopedTimeZone(const char* zone) { set(zone); }
    ~ScopedTimeZone() {
        if (hadZone_)
            qputenv("TZ", saved_);
        else
            qunsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

    // Null: no TZ, the system's zone.
    void set(const char* zone) {
        if (zone)
            qputenv("TZ", zone);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    const bool hadZone_ = qEnvironmentVariableIsSet("TZ");
    const QByteArray saved_ = qgetenv("TZ");
};
