#include "system/xdg_autostart_linux.h"

#include "system/desktop_entry.h"

#include <QDir>
#include <QSaveFile>

namespace tarvo {

namespace {

const QString suffix = QStringLiteral(".desktop");

bool isPlainFileName(const QString& name) {
    if (name.isEmpty() || name.startsWith(u'.') || name.contains(u'/'))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; });
}

} // namespace

QList<AutostartEntry> listAutostartEntries(const QString& directory) {
    QList<AutostartEntry> entries;
    if (directory.isEmpty())
        return entries;
    const QDir dir(directory);
    for (const QString& file :
         dir.entryList({QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable, QDir::Name)) {
        const auto entry = readDesktopEntryFile(dir.filePath(file));
        if (!entry || entry->value(QStringLiteral("Hidden")) == QStringLiteral("true"))
            continue;
        entries.append(
            AutostartEntry{file.chopped(suffix.size()), entry->value(QStringLiteral("Exec"))});
    }
    return entries;
}

QByteArray autostartEntryText(const QString& name, const QString& program) {
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
                         escapeDesktopValue(name) + QStringLiteral("\nExec=") +
                         escapeDesktopValue(quoteExecArgument(program)) + u'\n';
    return text.toUtf8();
}

bool writeAutostartEntry(const QString& directory, const QString& name, const QString& program) {
    if (directory.isEmpty() || !isPlainFileName(name) || program.isEmpty())
        return false;
    QDir dir(directory);
    if (!dir.mkpath(QStringLiteral(".")))
        return false;

    // Value names ignore case, so an entry that differs only in case is the same value.
    QString fileName = name + suffix;
    for (const QString& existing : dir.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
        if (existing.compare(fileName, Qt::CaseInsensitive) == 0) {
            fileName = existing;
            break;
        }
    }

    QSaveFile file(dir.filePath(fileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(autostartEntryText(name, program));
    return file.commit();
}

} // namespace tarvo
