#pragma once

#include "traffic/ip_helper.h"

#include <QString>

namespace tarvo {

// The texts the meter shows and reads back. Values are kept as texts because later steps
// read those texts back: the minute adds up the rates as shown.
struct MeterFields {
    QString downRate = QStringLiteral("0 Kb"); // download rate
    QString upRate = QStringLiteral("0 Kb");   // upload rate
    QString receivedKB;                        // received total, KB
    QString sentKB;                            // sent total, KB
    QString receivedMB;                        // received total, MB
    QString sentMB;                            // sent total, MB
    QString savedReceived;                     // received bytes saved by the previous run
    QString savedSent;                         // sent bytes saved by the previous run
    QString minuteTicks;                       // ticks counted in the current minute
    QString minuteSum;                         // the current minute's kilobits, as shown
    QString minuteAverage;                     // average of the last full minute
};

class TrafficMeter {
public:
    TrafficMeter(CIpHelper& counters, QChar decimalSeparator);

    MeterFields fields;
    bool firstSample = true;

    // One rate update at steadyMs (a clock that only goes forward): refresh the counters, then
    // baselines or rates and totals. A rate is the kilobits since the previous update over the
    // seconds since it; an update too soon after the previous one for a rate (the clock stood
    // still) keeps the shown rates and leaves its traffic to the next.
    void readRates(qint64 steadyMs);

    // The minute average's step of one tick at steadyMs, online or not. Each tick's shown rates
    // weigh for the seconds since the previous tick, so that the average is the minute's
    // kilobits over its seconds however late a tick came.
    void minuteStep(qint64 steadyMs);

    // The readings grow by these bytes without any traffic (counters no longer taken off):
    // the rates go on as if nothing had happened.
    void shiftBaselines(std::uint64_t receivedBytes, std::uint64_t sentBytes);

private:
    CIpHelper& counters_;
    QChar separator_;
    double recvBaseKB_ = 0;
    double sentBaseKB_ = 0;
    double recvKbit_ = 0;
    double sentKbit_ = 0;
    double prevRecvKbit_ = 0;
    double prevSentKbit_ = 0;
    qint64 rateAtMs_ = 0;
    qint64 minuteStepAtMs_ = -1;
    double minuteSeconds_ = 0;
};

} // namespace tarvo
