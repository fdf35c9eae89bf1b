#include "traffic/traffic_meter.h"

#include "common/number_text.h"

namespace tarvo {

const QString kConnectedCaption = QStringLiteral("متصل");
const QString kDisconnectedCaption = QStringLiteral("غير متصل");

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

} // namespace

TrafficMeter::TrafficMeter(CIpHelper& counters, QChar decimalSeparator)
    : counters_(counters), separator_(decimalSeparator) {}

void TrafficMeter::UpdateRates() {
    clearIfNegative(fields.Label9);
    clearIfNegative(fields.Label10);
    counters_.InitInterfaces();
    const double received = double(counters_.BytesReceived());
    const double sent = double(counters_.BytesSent());

    if (firstSample) {
        firstSample = false;
        sentBaseKB_ = LeadingNumber(FormatPattern(sent / 1024, u".0", u'.'));
        recvBaseKB_ = LeadingNumber(FormatPattern(received / 1024, u".0", u'.'));
    } else {
        recvKbit_ = (received / 1024 - recvBaseKB_) * 8;
        sentKbit_ = (sent / 1024 - sentBaseKB_) * 8;
        fields.lblSent = NumberText(sent / 1024 + LeadingNumber(fields.Text2) / 1024, separator_);
        fields.lblRecv =
            NumberText(received / 1024 + LeadingNumber(fields.Text1) / 1024, separator_);
        fields.Command2 = FormatPattern(LeadingNumber(fields.lblRecv) / 1024, u"0.00", separator_);
        fields.Command3 = FormatPattern(LeadingNumber(fields.lblSent) / 1024, u"0.00", separator_);
    }

    fields.Label10 =
        QStringLiteral("UP:") + FormatPattern(sentKbit_ - prevSentKbit_, u".0", separator_);
    fields.Label9 =
        QStringLiteral("DOWN:") + FormatPattern(recvKbit_ - prevRecvKbit_, u".0", separator_);
    clearIfNegative(fields.Label9);
    clearIfNegative(fields.Label10);
    prevRecvKbit_ = recvKbit_;
    prevSentKbit_ = sentKbit_;
}

void TrafficMeter::shiftBaselines(std::uint64_t receivedBytes, std::uint64_t sentBytes) {
    if (firstSample)
        return; // the baselines are still to be taken
    recvBaseKB_ += double(receivedBytes) / 1024;
    sentBaseKB_ += double(sentBytes) / 1024;
}

bool TrafficMeter::Timer2Step(bool connected) {
    fields.Text3 = NumberText(LeadingNumber(fields.Text3) + 1, separator_);
    const double down = shownRate(fields.Label9);
    const double up = shownRate(fields.Label10);
    fields.Text4 = NumberText(LeadingNumber(fields.Text4) + (up + down), separator_);
    if (LeadingNumber(fields.Text3) == 60) {
        fields.Text5 = FormatPattern(LeadingNumber(fields.Text4) / LeadingNumber(fields.Text3),
                                     u"0.0", separator_);
        fields.Text3 = QStringLiteral("0");
        fields.Text4 = QStringLiteral("0");
    }
    isConnected_ = connected;
    fields.Label4 = isConnected_ ? QStringLiteral("True") : QStringLiteral("False");
    fields.netcb = fields.Label4 == u"True" ? kConnectedCaption : kDisconnectedCaption;
    return fields.Label4 == u"True";
}

} // namespace tarvo
