#include "traffic/totals_store.h"

#include "common/log.h"
#include "common/number_text.h"

#include <QFile>
#include <QFileInfo>

namespace tarvo {

namespace {
// A line and a record of some thousand interfaces fit many times over.
constexpr qint64 kMaxFileBytes = 4 << 20;
} // namespace

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

SavedTotals TotalsStore::load(std::optional<CountedRecord>* record) const {
    QFile::remove(AtomicFileWriter::temporaryPathFor(path()));
    if (record) {
        const QByteArray bytes = readFileBytes(path(), kMaxFileBytes).value_or(QByteArray());
        const qsizetype lineEnd = bytes.indexOf('\n');
        *record = lineEnd < 0
                      ? std::nullopt
                      : parseCountedRecord(std::string_view(bytes.constData(), size_t(bytes.size()))
                                               .substr(size_t(lineEnd) + 1));
    }
    return parseLine(readFirstLine(path()).value_or(QString()), separator_);
}

QString TotalsStore::totalsLine(const SavedTotals& saved, std::uint64_t received,
                                std::uint64_t sent, QChar decimalSeparator) {
    const double receivedTotal = LeadingNumber(saved.received) + double(received);
    const double sentTotal = LeadingNumber(saved.sent) + double(sent);
    return NumberText(receivedTotal, decimalSeparator) + QStringLiteral("**") +
           NumberText(sentTotal, decimalSeparator);
}

bool TotalsStore::save(const SavedTotals& saved, const CounterReading& reading) {
    // Counters taken off by a record can leave a good reading at 0; only a missing
    // reading keeps the file as it is.
    if (!reading.taken)
        return false;
    return writeLine(totalsLine(saved, reading.received, reading.sent, separator_), reading.record);
}

bool TotalsStore::saveOffline(const SavedTotals& saved, const CounterReading& reading) {
    return writeLine(totalsLine(saved, reading.received, reading.sent, separator_), reading.record);
}

bool TotalsStore::writeResetLine() {
    return writeLine(QStringLiteral(" ** "));
}

bool TotalsStore::writeLine(const QString& line, const CountedRecord& record) {
    // The per-user data directory is created only when something is first saved.
    if (!directoryReady_)
        directoryReady_ = directory_.ensureExists();
    QByteArray bytes = encodeDataText(line + QStringLiteral("\r\n"));
    bytes += QByteArray::fromStdString(formatCountedRecord(record));
    // A second without traffic leaves the line as it is; the disk need not hear of it. That
    // the file is still there is asked once a minute only: a copy deleted from outside is
    // back within one.
    if (bytes == lastWritten_ && (++unchangedSaves_ % 60 != 0 || QFileInfo::exists(path())))
        return true;
    unchangedSaves_ = 0;
    const bool ok = writer_.rewrite(path(), bytes);
    lastWritten_ = ok ? std::move(bytes) : QByteArray();
    if (ok != !failing_) {
        if (ok)
            qCInfo(lcTraffic).noquote() << "the totals file is written again:" << path();
        else
            qCWarning(lcTraffic).noquote() << "the totals file could not be replaced:" << path();
    }
    failing_ = !ok;
    return ok;
}

} // namespace tarvo
