#include "app/usage_command.h"

#include "common/app_name.h"
#include "common/data_directory.h"
#include "common/settings_store.h"
#include "history/history_store.h"
#include "history/usage_report.h"

#include <QDateTime>
#include <QDir>

#include <cstdio>

namespace tarvo {

int runUsageCommand(bool json) {
    // Read-only: no lock, no file written, while the meter may be running.
    const QString path =
        DataDirectory::forProgram().filePath(QString::fromLatin1(HistoryStore::kFileName));
    HistoryStore store(path, HistoryStore::Mode::ReadOnly);
    if (!store.readError().isEmpty()) {
        // Zeros would claim there was no traffic.
        const QString shown = QDir::toNativeSeparators(path);
        const QByteArray message = QStringLiteral("%3: the usage history %1 cannot be read: %2\n"
                                                  "%3: تعذرت قراءة سجل الاستهلاك %1\n")
                                       .arg(shown, store.readError(), commandName())
                                       .toUtf8();
        std::fwrite(message.constData(), 1, size_t(message.size()), stderr);
        return 1;
    }
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
