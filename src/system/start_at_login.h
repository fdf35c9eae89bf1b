#pragma once

#include <QString>

namespace tarvo {

class Registry;

// The key and value that start the program at login. Written under HKEY_CURRENT_USER: the
// machine's own key needs administrator rights, which a user starting a meter has not.
QString runKeyPath();
QString runValueName();

// What the entry stores for the running executable (its absolute path; on Windows the
// program directory, "\", the name and ".exe").
QString startAtLoginPath(const QString& applicationFilePath);

// Writes the entry; a second call writes the same value again. Failures are not reported.
void writeStartAtLogin(Registry& registry, const QString& applicationFilePath);

} // namespace tarvo
