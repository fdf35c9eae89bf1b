#pragma once

#include <QString>
#include <QStringList>

namespace tarvo {

// Where the program keeps its data files: beside the executable when that directory is
// writable and not a system directory (a copy run from a build or unpacked folder keeps its
// files with it), otherwise the per-user data directory.
class DataDirectory {
public:
    explicit DataDirectory(QString path);

    // Chooses the directory for the running program.
    static DataDirectory forProgram();

    // The choice itself: programDir when it is writable and lies outside the system's
    // program trees (systemTrees()), else userDir.
    static QString choose(const QString& programDir, bool programDirWritable,
                          const QString& userDir);
    // The same with the trees given; on Windows paths compare without regard to case.
    static QString choose(const QString& programDir, bool programDirWritable,
                          const QString& userDir, const QStringList& systemTrees,
                          Qt::CaseSensitivity sensitivity);

    // Where installed programs live, which no program's data should join: /usr, /opt and
    // the like; on Windows the Program Files folders and the system folder.
    static QStringList systemTrees();
    // The per-user data directory: ~/.local/share/Tarvo/Tarvo; %LOCALAPPDATA%\Tarvo.
    static QString userDirectory();

    QString path() const { return path_; }
    QString filePath(const QString& fileName) const;

    // Creates the directory when missing; true when it exists afterwards.
    bool ensureExists() const;

private:
    QString path_;
};

// The directory of the running executable.
QString programDirectory();

// Whether file paths differ by case on this platform.
Qt::CaseSensitivity filePathSensitivity();

} // namespace tarvo
