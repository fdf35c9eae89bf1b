#include "traffic/totals_store.h"

#include "common/number_text.h"

#include <QFile>
#include <QFileInfo>

namespace tarvo {

TotalsStore::TotalsStore(DataDirectory directory, QChar decimalSeparator)
    : directory_(std::move(directory)), separator_(decimalSeparator) {}

QString TotalsStore::path() const {
    return directory_.filePath(QString::fromLatin1(kFileName));
}

SavedTotals TotalsStore::parseLine(const QString& line, QChar decimalSeparator) {
    const qsizetype p = line.indexOf(QStringLiteral("**"));
    if (p < 0)
        return {QStringLiteral("0"), QStringLiteral("0")};
    return {NumberText(LeadingNumber(QStringView(line).left(p)), decimalSeparator),
            NumberText(LeadingNumber(QStringView(line).mid(p + 2)), decimalSeparator)};
}

SavedTotals TotalsStore::LoadTotals() const {
    QFile::remove(AtomicFileWriter::temporaryPathFor(path()));
    return parseLine(readFirstLine(path()).value_or(QString()), separator_);
}

QString TotalsStore::totalsLine(const SavedTotals& saved, std::uint64_t received,
                                std::uint64_t sent, QChar decimalSeparator) {
    const double receivedTotal = LeadingNumber(saved.received) + double(received);
    const double sentTotal = LeadingNumber(saved.sent) + double(sent);
    return NumberText(receivedTotal, decimalSeparator) + QStringLiteral("**") +
           NumberText(sentTotal, decimalSeparator);
}

bool TotalsStore::Timer3_Timer(const SavedTotals& saved, std::uint64_t received,
                               std::uint64_t sent) {
    if (received == 0 || sent == 0)
        return false;
    return writeLine(totalsLine(saved, received, sent, separator_));
}

bool TotalsStore::SaveTotalsOffline(const SavedTotals& saved, std::uint64_t received,
                                    std::uint64_t sent) {
    return writeLine(totalsLine(saved, received, sent, separator_));
}

bool TotalsStore::writeResetLine() {
    return writeLine(QStringLiteral(" ** "));
}

bool TotalsStore::writeLine(const QString& line) {
    // The per-user data directory is created only when something is first saved.
    if (!directoryReady_)
        directoryReady_ = directory_.ensureExists();
    QByteArray bytes = encodeDataText(line + QStringLiteral("\r\n"));
    // A second without traffic leaves the line as it is; the disk need not hear of it.
    if (bytes == lastWritten_ && QFileInfo::exists(path()))
        return true;
    const bool ok = writer_.write(path(), bytes);
    lastWritten_ = ok ? std::move(bytes) : QByteArray();
    return ok;
}

} // namespace tarvo
