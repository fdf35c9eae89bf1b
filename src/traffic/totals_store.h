#pragma once

#include "common/data_directory.h"
#include "common/data_file.h"
#include "traffic/counted_record.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tarvo {

// The saved totals as the hidden fields hold them: byte counts as number texts.
struct SavedTotals {
    QString received;
    QString sent;
};

// "file1.trv": one line, received bytes "**" sent bytes, CR LF; reset line " ** ". Readers
// of other programs read that line only; after it, written in the same replacement, comes
// the record of the counted counters (see CountedRecord), so that a restart in the same
// boot counts nothing twice.
class TotalsStore {
public:
    static constexpr const char* kFileName = "file1.trv";

    TotalsStore(DataDirectory directory, QChar decimalSeparator);

    QString path() const;

    // Reads the first line; a missing, empty, unreadable or "**"-less file counts as the
    // reset line, so both totals are "0". Removes a temporary file a killed run left. The
    // record that follows the line goes to record, when asked for; nothing when it is
    // missing or damaged.
    SavedTotals load(std::optional<CountedRecord>* record = nullptr) const;

    // The periodic save: nothing before the first refresh of the run or after a failed
    // one; otherwise saved totals plus readings, and the record.
    bool save(const SavedTotals& saved, const CounterReading& reading);

    // The save of each offline tick: saved totals plus the last readings, no check.
    bool saveOffline(const SavedTotals& saved, const CounterReading& reading);

    // Writes the reset line " ** " and no record: the totals hold no counter.
    bool writeResetLine();

    // The totals line as the savers write it, without its line end.
    static QString totalsLine(const SavedTotals& saved, std::uint64_t received, std::uint64_t sent,
                              QChar decimalSeparator);

    // The saved totals read back from a line.
    static SavedTotals parseLine(const QString& line, QChar decimalSeparator);

private:
    bool writeLine(const QString& line, const CountedRecord& record = {});

    DataDirectory directory_;
    QChar separator_;
    AtomicFileWriter writer_;
    bool directoryReady_ = false;
    QByteArray lastWritten_;
    int unchangedSaves_ = 0;
    bool failing_ = false; // the last write failed: told once, until one succeeds
};

} // namespace tarvo
