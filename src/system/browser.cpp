#include "system/browser.h"

#include "common/message_boxes.h"
#include "system/command_launcher.h"
#include "system/registry_values.h"
#include "system/system_texts.h"

namespace tarvo {

namespace {

const QString invalidPath = QStringLiteral("Invalid");

std::optional<QString> dataAsText(const RegistryData& data) {
    if (const QString* text = std::get_if<QString>(&data))
        return *text;
    if (const qint32* number = std::get_if<qint32>(&data))
        return QString::number(*number);
    return std::nullopt;
}

QString unquoted(const QString& path) {
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
        return path.mid(1, path.size() - 2);
    return path;
}

} // namespace

QString GetBrowserPath(Registry& registry) {
    const ValueTable table = ReadKeyValues(registry, RegistryRoot::ClassesRoot,
                                           QStringLiteral("http\\shell\\open\\command"));
    if (table.isEmpty())
        return invalidPath;
    const std::optional<QString> command = dataAsText(table.first().data);
    if (!command)
        return invalidPath;
    const qsizetype quote = command->indexOf(u'"', 1);
    return quote < 0 ? QString() : command->left(quote + 1);
}

bool isWebLink(const QString& link) {
    return link.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
           link.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}

void OpenInBrowser(Registry& registry, CommandLauncher& launcher, MessageBoxes& messages,
                   const QString& link) {
    const QString trimmed = link.trimmed();
    if (!isWebLink(trimmed))
        return;
    const QString path = GetBrowserPath(registry);
    if (path == invalidPath) {
        messages.information(messageCaption(), browserErrorText());
        return;
    }
    // An unquoted browser command gives no program: nothing opens, as nothing could start.
    const QString program = unquoted(path);
    if (program.isEmpty())
        return;
    launcher.start(program, {trimmed}, ShowState::Normal);
}

QString browserFromCommand(const QString& command) {
    QString text = command;
    text.remove(u'"');
    // Only a ".exe" that ends a word ends the program: Linux names such as ".exercism" or
    // "my.exe-tools" hold one in the middle.
    for (qsizetype exe = text.indexOf(QStringLiteral(".exe"), 0, Qt::CaseInsensitive); exe >= 0;
         exe = text.indexOf(QStringLiteral(".exe"), exe + 1, Qt::CaseInsensitive)) {
        const qsizetype end = exe + 4;
        if (end == text.size() || text[end].isSpace())
            return text.left(end);
    }

    const QString trimmed = command.trimmed();
    if (trimmed.startsWith(u'"')) {
        const qsizetype end = trimmed.indexOf(u'"', 1);
        return end < 0 ? trimmed.mid(1) : trimmed.mid(1, end - 1);
    }
    qsizetype end = 0;
    while (end < trimmed.size() && !trimmed[end].isSpace())
        ++end;
    return trimmed.left(end);
}

QString DefaultBrowser(Registry& registry) {
    const ValueTable table = ReadKeyValues(registry, RegistryRoot::ClassesRoot,
                                           QStringLiteral("HTTP\\shell\\open\\command"));
    for (const ValueColumn& column : table) {
        if (!column.name.isEmpty())
            continue;
        if (const QString* command = std::get_if<QString>(&column.data))
            return browserFromCommand(*command);
    }
    return QString();
}

void startDefaultBrowser(Registry& registry, CommandLauncher& launcher, MessageBoxes& messages) {
    const QString program = DefaultBrowser(registry);
    if (program.isEmpty()) {
        messages.information(messageCaption(), browserErrorText());
        return;
    }
    launcher.start(program, {}, ShowState::Minimized);
}

} // namespace tarvo
