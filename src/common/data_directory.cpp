#include "data_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tarvo {

DataDirectory::DataDirectory(QString path) : path_(std::move(path)) {}

QString DataDirectory::choose(const QString& programDir, bool programDirWritable,
                              const QString& userDir) {
    // An installed copy run by root could write beside itself, but one computer's usage does
    // not belong among the system's programs.
    static const char* const systemTrees[] = {"/usr", "/opt", "/bin", "/sbin", "/lib", "/etc"};
    const QString dir = QDir::cleanPath(programDir);
    for (const char* tree : systemTrees) {
        const QString root = QString::fromLatin1(tree);
        if (dir == root || dir.startsWith(root + u'/'))
            return userDir;
    }
    return programDirWritable ? programDir : userDir;
}

DataDirectory DataDirectory::forProgram() {
    const QString programDir = programDirectory();
    // The real path, so that a link from /usr/bin to a folder elsewhere is judged by where
    // the program really is.
    const QString real = QFileInfo(programDir).canonicalFilePath();
    return DataDirectory(choose(real.isEmpty() ? programDir : real,
                                QFileInfo(programDir).isWritable(),
                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

QString DataDirectory::filePath(const QString& fileName) const {
    return QDir(path_).filePath(fileName);
}

bool DataDirectory::ensureExists() const {
    return QDir().mkpath(path_);
}

QString programDirectory() {
    return QCoreApplication::applicationDirPath();
}

} // namespace tarvo
