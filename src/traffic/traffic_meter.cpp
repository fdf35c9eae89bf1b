#include "traffic/traffic_meter.h"

#include "common/number_text.h"

namespace tarvo {

namespace {

void clearIfNegative(QString& caption) {
    if (caption.contains(u'-'))
        caption.clear();
}

// The number after a rate caption's first ":" (the whole caption when it has none).
double shownRate(const QString& caption) {
    const qsizetype colon = caption.indexOf(u':');
    return LeadingNumber(colon < 0 ? QStringView(caption) : QStringView(caption).mid(colon + 1));
}

// Updates closer together than this give no rate: a clock that stood still, or a reading
// taken out of turn right after the tick's.
constexpr qint64 kShortestRateSpanMs = 50;

} // namespace

TrafficMeter::TrafficMeter(CIpHelper& counters, QChar decimalSeparator)
    : counters_(counters), separator_(decimalSeparator) {}

void TrafficMeter::readRates(qint64 steadyMs) {
    clearIfNegative(fields.downRate);
    clearIfNegative(fields.upRate);
    counters_.InitInterfaces();
    const double received = double(counters_.BytesReceived());
    const double sent = double(counters_.BytesSent());

    double seconds = 1; // the first update's rates are nought whatever the span
    if (firstSample) {
        firstSample = false;
        sentBaseKB_ = LeadingNumber(FormatPattern(sent / kBytesPerKB, u".0", u'.'));
        recvBaseKB_ = LeadingNumber(FormatPattern(received / kBytesPerKB, u".0", u'.'));
        rateAtMs_ = steadyMs;
    } else {
        recvKbit_ = (received / kBytesPerKB - recvBaseKB_) * 8;
        sentKbit_ = (sent / kBytesPerKB - sentBaseKB_) * 8;
        fields.sentKB = NumberText(
            sent / kBytesPerKB + LeadingNumber(fields.savedSent) / kBytesPerKB, separator_);
        fields.receivedKB = NumberText(
            received / kBytesPerKB + LeadingNumber(fields.savedReceived) / kBytesPerKB, separator_);
        fields.receivedMB = MegabytesText(LeadingNumber(fields.receivedKB), separator_);
        fields.sentMB = MegabytesText(LeadingNumber(fields.sentKB), separator_);
        if (steadyMs - rateAtMs_ < kShortestRateSpanMs)
            return;
        seconds = double(steadyMs - rateAtMs_) / 1000;
        rateAtMs_ = steadyMs;
    }

    fields.upRate = QStringLiteral("UP:") +
                    FormatPattern((sentKbit_ - prevSentKbit_) / seconds, u".0", separator_);
    fields.downRate = QStringLiteral("DOWN:") +
                      FormatPattern((recvKbit_ - prevRecvKbit_) / seconds, u".0", separator_);
    clearIfNegative(fields.downRate);
    clearIfNegative(fields.upRate);
    prevRecvKbit_ = recvKbit_;
    prevSentKbit_ = sentKbit_;
}

void TrafficMeter::shiftBaselines(std::uint64_t receivedBytes, std::uint64_t sentBytes) {
    if (firstSample)
        return; // the baselines are still to be taken
    recvBaseKB_ += double(receivedBytes) / kBytesPerKB;
    sentBaseKB_ += double(sentBytes) / kBytesPerKB;
}

void TrafficMeter::minuteStep(qint64 steadyMs) {
    // The first tick, and a clock that went back, count as the second they stand for.
    const double seconds = minuteStepAtMs_ < 0 || steadyMs < minuteStepAtMs_
                               ? 1.0
                               : double(steadyMs - minuteStepAtMs_) / 1000;
    minuteStepAtMs_ = steadyMs;
    minuteSeconds_ += seconds;
    fields.minuteTicks = NumberText(LeadingNumber(fields.minuteTicks) + 1, separator_);
    const double down = shownRate(fields.downRate);
    const double up = shownRate(fields.upRate);
    fields.minuteSum =
        NumberText(LeadingNumber(fields.minuteSum) + (up + down) * seconds, separator_);
    if (LeadingNumber(fields.minuteTicks) == 60) {
        const double span = minuteSeconds_ > 0 ? minuteSeconds_ : 60;
        fields.minuteAverage =
            FormatPattern(LeadingNumber(fields.minuteSum) / span, u"0.0", separator_);
        fields.minuteTicks = QStringLiteral("0");
        fields.minuteSum = QStringLiteral("0");
        minuteSeconds_ = 0;
    }
}

} // namespace tarvo
