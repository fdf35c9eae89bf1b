// Any bytes as the totals file, read through the store as at start-up: the totals read
// back are numbers the savers write again unchanged, and a record that is read is the one
// its own text gives.
#include "common/data_directory.h"
#include "common/number_text.h"
#include "fuzz_support.h"
#include "traffic/counted_record.h"
#include "traffic/totals_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const tarvo::TotalsStore store(tarvo::DataDirectory(dir.path()), u'.');
    QFile file(store.path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(fuzz::bytes(data, size));
    file.close();

    std::optional<tarvo::CountedRecord> record;
    const tarvo::SavedTotals saved = store.load(&record);
    if (record) {
        const std::optional<tarvo::CountedRecord> again =
            tarvo::parseCountedRecord(tarvo::formatCountedRecord(*record));
        fuzz::require(again && *again == *record, "a record reads back as written");
    }
    for (const QString& number : {saved.received, saved.sent}) {
        const double value = tarvo::LeadingNumber(number);
        fuzz::require(std::isfinite(value), "a total read is a finite number");
    }
    // Saving what was read, with no new traffic, and reading that back changes nothing.
    const QString line = tarvo::TotalsStore::totalsLine(saved, 0, 0, u'.');
    const tarvo::SavedTotals reread = tarvo::TotalsStore::parseLine(line, u'.');
    const QString again = tarvo::TotalsStore::totalsLine(reread, 0, 0, u'.');
    fuzz::require(again == line, "a saved totals line is saved again unchanged");
    return 0;
}
