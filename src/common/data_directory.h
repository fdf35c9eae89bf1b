#pragma once

#include <QString>

namespace tarvo {

// Where the program keeps its data files: beside the executable when that directory is
// writable and not a system directory (a copy run from a build or unpacked folder keeps its
// files with it), otherwise the per-user data directory.
class DataDirectory {
public:
    explicit DataDirectory(QString path);

    // Chooses the directory for the running program.
    static DataDirectory forProgram();

    // The choice itself: programDir when it is writable and lies outside /usr, /usr/local,
    // /opt and the other system trees, else userDir.
    static QString choose(const QString& programDir, bool programDirWritable,
                          const QString& userDir);

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
