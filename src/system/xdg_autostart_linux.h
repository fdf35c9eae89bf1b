#pragma once

#include <QList>
#include <QString>

namespace tarvo {

struct AutostartEntry {
    QString name; // the file name without ".desktop"
    QString exec; // the Exec command line
};

// The entries of an autostart directory by file name; hidden (deleted) entries left out.
QList<AutostartEntry> listAutostartEntries(const QString& directory);

// Writes (or replaces) the entry name.desktop that starts program at login. A name that
// is no plain file name is refused, as is a directory that cannot be made.
bool writeAutostartEntry(const QString& directory, const QString& name, const QString& program);

// The text of such an entry.
QByteArray autostartEntryText(const QString& name, const QString& program);

} // namespace tarvo
