#pragma once

#include <QString>

namespace tarvo {

// Where the program keeps its data files: beside the executable when that directory is
// writable (a file installed there is used), otherwise the per-user data directory.
class DataDirectory {
public:
    explicit DataDirectory(QString path);

    // Chooses the directory for the running program.
    static DataDirectory forProgram();

    QString path() const { return path_; }
    QString filePath(const QString& fileName) const;

    // Creates the directory when missing; true when it exists afterwards.
    bool ensureExists() const;

private:
    QString path_;
};

// The directory of the running executable.
QString programDirectory();

} // namespace tarvo
