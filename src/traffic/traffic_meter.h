#pragma once

#include "traffic/ip_helper.h"

#include <QString>

namespace tarvo {

// The texts of the main window's fields that the meter fills and reads back. Values are
// kept as the fields' texts because later steps read those texts back.
struct MeterFields {
    QString Label9 = QStringLiteral("0 Kb");   // download rate
    QString Label10 = QStringLiteral("0 Kb");  // upload rate
    QString lblRecv;                           // received total, KB
    QString lblSent;                           // sent total, KB
    QString Command2;                          // received total, MB
    QString Command3;                          // sent total, MB
    QString Text1;                             // received bytes saved by the previous run
    QString Text2;                             // sent bytes saved by the previous run
    QString Text3;                             // seconds counted in the current minute
    QString Text4;                             // sum of the shown rates in the current minute
    QString Text5;                             // average of the last full minute
    QString Label4 = QStringLiteral("Label4"); // last connected state, "True" or "False"
    QString netcb;                             // connection state caption
};

extern const QString kConnectedCaption;    // "متصل"
extern const QString kDisconnectedCaption; // "غير متصل"

// Rates, totals and the minute average, from one counter reading per tick.
class TrafficMeter {
public:
    TrafficMeter(CIpHelper& counters, QChar decimalSeparator);

    MeterFields fields;
    bool firstSample = true;

    // One rate update: refresh the counters, then baselines or rates and totals.
    void UpdateRates();

    // The minute average and the connected state of one Timer2 tick; returns whether
    // the computer is connected. The caller switches the clock and saves when offline.
    bool Timer2Step(bool connected);

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
    bool isConnected_ = false;
};

} // namespace tarvo
