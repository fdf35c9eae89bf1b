#include "app/usage_command.h"

#include "common/data_directory.h"
#include "common/settings_store.h"
#include "history/history_store.h"
#include "history/usage_report.h"

#include <QDateTime>

#include <cstdio>

namespace tarvo {

int runUsageCommand(const QStringList& arguments) {
    if (!arguments.contains(QStringLiteral("--usage")))
        return -1;
    const bool json = arguments.contains(QStringLiteral("--json"));
    // Read-only: no lock, no file written, while the meter may be running.
    HistoryStore store(
        DataDirectory::forProgram().filePath(QString::fromLatin1(HistoryStore::kFileName)),
        HistoryStore::Mode::ReadOnly);
    QtSettingsStore settings;
    const QDateTime now = QDateTime::currentDateTime();
    const AllowanceSettings allowance = readAllowanceSettings(settings);
    const QByteArray out =
        json ? usageJson(store, now, allowance) : usageTable(store, now, allowance).toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace tarvo
