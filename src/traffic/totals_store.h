#pragma once

#include "common/data_directory.h"
#include "common/data_file.h"

#include <QString>

#include <cstdint>

namespace tarvo {

// The saved totals as the hidden fields hold them: byte counts as number texts.
struct SavedTotals {
    QString received;
    QString sent;
};

// "file1.trv": one line, received bytes "**" sent bytes, CR LF; reset line " ** ".
class TotalsStore {
public:
    static constexpr const char* kFileName = "file1.trv";

    TotalsStore(DataDirectory directory, QChar decimalSeparator);

    QString path() const;

    // Reads the first line; a missing, empty, unreadable or "**"-less file counts as the
    // reset line, so both totals are "0". Removes a temporary file a killed run left.
    SavedTotals LoadTotals() const;

    // The periodic save: nothing while a reading is 0 (before the first refresh, after a
    // failed one); otherwise saved totals plus readings.
    bool Timer3_Timer(const SavedTotals& saved, std::uint64_t received, std::uint64_t sent);

    // The save of each offline tick: saved totals plus the last readings, no zero check.
    bool SaveTotalsOffline(const SavedTotals& saved, std::uint64_t received, std::uint64_t sent);

    // Writes the reset line " ** ".
    bool writeResetLine();

    // The totals line as the savers write it, without its line end.
    static QString totalsLine(const SavedTotals& saved, std::uint64_t received, std::uint64_t sent,
                              QChar decimalSeparator);

    // The saved totals read back from a line.
    static SavedTotals parseLine(const QString& line, QChar decimalSeparator);

private:
    bool writeLine(const QString& line);

    DataDirectory directory_;
    QChar separator_;
    AtomicFileWriter writer_;
    bool directoryReady_ = false;
    QByteArray lastWritten_;
};

} // namespace tarvo
