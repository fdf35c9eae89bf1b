#include "system/desktop_entry.h"

#include "common/data_file.h"

#include <QFileInfo>

namespace tarvo {

namespace {

QString unescapeValue(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case u's':
            out += u' ';
            break;
        case u'n':
            out += u'\n';
            break;
        case u't':
            out += u'\t';
            break;
        case u'r':
            out += u'\r';
            break;
        case u'\\':
            out += u'\\';
            break;
        default:
            // Escapes this level does not know (\" in Exec) belong to the next one.
            out += u'\\';
            out += next;
        }
    }
    return out;
}

// Expands or removes the field codes of one argument; false when it was only field codes.
bool resolveFieldCodes(const QString& argument, QString& out) {
    out.clear();
    bool hadCode = false;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] != u'%' || i + 1 == argument.size()) {
            out += argument[i];
            continue;
        }
        const QChar code = argument[++i];
        if (code == u'%')
            out += u'%';
        else
            hadCode = true;
    }
    return !(hadCode && out.isEmpty());
}

// Blanks after "=" are no part of the value; blanks at its end are.
QStringView leftTrimmed(QStringView value) {
    qsizetype start = 0;
    while (start < value.size() && (value[start] == u' ' || value[start] == u'\t'))
        ++start;
    return value.mid(start);
}

const QString reservedCharacters = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

} // namespace

std::optional<QHash<QString, QString>> parseKeyFileGroup(const QString& text, QStringView group) {
    QHash<QString, QString> keys;
    bool inGroup = false;
    bool found = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            inGroup = trimmed.size() == group.size() + 2 && trimmed.endsWith(u']') &&
                      trimmed.mid(1, group.size()) == group;
            found = found || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        // A line of blanks before its "=" names no key.
        if (!key.isEmpty() && !keys.contains(key))
            keys.insert(key, unescapeValue(leftTrimmed(line.mid(equals + 1))));
    }
    if (!found)
        return std::nullopt;
    return keys;
}

std::optional<QHash<QString, QString>> parseDesktopEntry(const QString& text) {
    return parseKeyFileGroup(text, u"Desktop Entry");
}

std::optional<QByteArray> readKeyFile(const QString& path) {
    // A FIFO or device under a desktop file's name would block the read or never end.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return readFileBytes(path, 1 << 20);
}

std::optional<QHash<QString, QString>> readDesktopEntryFile(const QString& path) {
    const std::optional<QByteArray> bytes = readKeyFile(path);
    if (!bytes)
        return std::nullopt;
    return parseDesktopEntry(QString::fromUtf8(*bytes));
}

std::optional<QStringList> splitExec(const QString& exec) {
    QStringList raw;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                raw.append(current);
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            quoted = true;
            inArgument = true;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            current += exec[++i];
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        raw.append(current);

    QStringList arguments;
    QString resolved;
    for (const QString& argument : raw) {
        if (resolveFieldCodes(argument, resolved))
            arguments.append(resolved);
    }
    return arguments;
}

QString quoteExecArgument(const QString& argument) {
    QString doubled = argument;
    doubled.replace(u'%', QStringLiteral("%%"));
    const bool needsQuotes =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                          [](QChar c) { return reservedCharacters.contains(c); });
    if (!needsQuotes)
        return doubled;
    QString out = QStringLiteral("\"");
    for (const QChar c : doubled) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

QString escapeDesktopValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u' ':
            // A leading blank would be taken for the blanks after "=".
            out += i == 0 ? QStringLiteral("\\s") : QStringLiteral(" ");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace tarvo
