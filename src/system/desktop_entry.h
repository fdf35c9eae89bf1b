#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarvo {

// The keys of one group of a key file (desktop entries, mimeapps.list), or of the
// [Desktop Entry] group of a desktop entry file, values with their string
// escapes (\s \n \t \r \\) undone. Localised keys ("Name[ar]") are kept under their full
// key. Nothing when the text has no such group.
std::optional<QHash<QString, QString>> parseKeyFileGroup(const QString& text, QStringView group);
std::optional<QHash<QString, QString>> parseDesktopEntry(const QString& text);
// The bytes of a key file: nothing unless it is a regular file of at most 1 MiB.
std::optional<QByteArray> readKeyFile(const QString& path);
std::optional<QHash<QString, QString>> readDesktopEntryFile(const QString& path);

// The arguments of an Exec value, quotes and escapes resolved and field codes (%u, %F, ...)
// removed; an argument that was only a field code goes. Nothing when the quoting is broken.
std::optional<QStringList> splitExec(const QString& exec);

// One argument as an Exec value must hold it: quoted when it contains blanks or other
// reserved characters, percent signs doubled.
QString quoteExecArgument(const QString& argument);

// A value as it must be written into the file (the reverse of the string escapes).
QString escapeDesktopValue(const QString& value);

} // namespace tarvo
