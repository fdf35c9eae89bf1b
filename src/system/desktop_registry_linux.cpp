#include "system/desktop_registry_linux.h"

#include "common/log.h"
#include "system/desktop_entry.h"
#include "system/xdg_autostart_linux.h"
#include "system/xdg_browser_linux.h"
#include "system/xdg_locations_linux.h"

namespace tarvo {

namespace {

QByteArray stringData(const QString& text) {
    return text.toUtf8() + '\0';
}

// A value reads back as it was set: an Exec that starts one program is that program with
// the entry's quoting undone; any other command line stays as it is written.
QString runValueData(const QString& exec) {
    const std::optional<QStringList> arguments = splitExec(exec);
    return arguments && arguments->size() == 1 ? arguments->first() : exec;
}

} // namespace

const QString DesktopRegistry::browserCommandKey = QStringLiteral("http\\shell\\open\\command");
const QString DesktopRegistry::runKey =
    QStringLiteral("Software\\microsoft\\windows\\currentversion\\run");

DesktopRegistry::DesktopRegistry(QProcessEnvironment environment)
    : environment_(std::move(environment)) {}

std::optional<DesktopRegistry::Kind> DesktopRegistry::kindOf(RegistryKey root,
                                                             const QString& path) const {
    if (root == RegistryRoot::ClassesRoot && sameKeyPath(path, browserCommandKey))
        return Kind::Browser;
    // The user's Run key and the machine's alike: one login, one autostart folder.
    if ((root == RegistryRoot::CurrentUser || root == RegistryRoot::LocalMachine) &&
        sameKeyPath(path, runKey))
        return Kind::Autostart;
    return std::nullopt;
}

QList<RegistryValue> DesktopRegistry::autostartValues() const {
    QList<RegistryValue> values;
    const QString directory = autostartDirectory(XdgLocations::fromEnvironment(environment_));
    for (const AutostartEntry& entry : listAutostartEntries(directory))
        values.append(
            RegistryValue{entry.name, RegistryType::String, stringData(runValueData(entry.exec))});
    return values;
}

RegistryKey DesktopRegistry::remember(Kind kind, QList<RegistryValue> values) {
    const RegistryKey handle = nextHandle_++;
    open_.insert(handle, OpenKey{kind, std::move(values)});
    return handle;
}

std::optional<RegistryKey> DesktopRegistry::openKey(RegistryKey root, const QString& path) {
    const std::optional<Kind> kind = kindOf(root, path);
    if (!kind)
        return std::nullopt;
    if (*kind == Kind::Autostart)
        return remember(*kind, autostartValues());

    const QString program = defaultBrowserProgram(environment_);
    if (program.isEmpty())
        return std::nullopt;
    const QString command = u'"' + program + QStringLiteral("\" \"%1\"");
    return remember(*kind, {RegistryValue{QString(), RegistryType::String, stringData(command)}});
}

std::optional<RegistryValue> DesktopRegistry::enumValue(RegistryKey key, quint32 index,
                                                        int nameBufferLength,
                                                        int dataBufferLength) {
    const auto found = open_.constFind(key);
    if (found == open_.constEnd() || index >= quint32(found->values.size()))
        return std::nullopt;
    const RegistryValue& value = found->values.at(qsizetype(index));
    if (!fitsBuffers(value, nameBufferLength, dataBufferLength))
        return std::nullopt;
    return value;
}

std::optional<RegistryKey> DesktopRegistry::createKey(RegistryKey root, const QString& path) {
    if (kindOf(root, path) != Kind::Autostart)
        return std::nullopt;
    return remember(Kind::Autostart, autostartValues());
}

bool DesktopRegistry::setStringValue(RegistryKey key, const QString& name, const QString& data) {
    const auto found = open_.find(key);
    if (found == open_.end() || found->kind != Kind::Autostart)
        return false;
    const QString directory = autostartDirectory(XdgLocations::fromEnvironment(environment_));
    if (!writeAutostartEntry(directory, name, data)) {
        qCWarning(lcSystem).noquote()
            << "the start-at-login entry could not be written in" << directory;
        return false;
    }
    found->values = autostartValues();
    return true;
}

void DesktopRegistry::closeKey(RegistryKey key) {
    open_.remove(key);
}

} // namespace tarvo
