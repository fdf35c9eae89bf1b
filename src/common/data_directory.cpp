#include "data_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tarvo {

DataDirectory::DataDirectory(QString path) : path_(std::move(path)) {}

QString DataDirectory::choose(const QString& programDir, bool programDirWritable,
                              const QString& userDir) {
    return choose(programDir, programDirWritable, userDir, systemTrees(),
                  filePathSensitivity());
}

QString DataDirectory::choose(const QString& programDir, bool programDirWritable,
                              const QString& userDir, const QStringList& systemTrees,
                              Qt::CaseSensitivity sensitivity) {
    // An installed copy run by an administrator could write beside itself, but one
    // computer's usage does not belong among the system's programs.
    // Windows' paths may come with either separator; for comparing only.
    const auto normal = [](QString path) { return QDir::cleanPath(path.replace(u'\\', u'/')); };
    const QString dir = normal(programDir);
    for (const QString& tree : systemTrees) {
        const QString root = normal(tree);
        if (root.isEmpty())
            continue;
        if (dir.compare(root, sensitivity) == 0 || dir.startsWith(root + u'/', sensitivity))
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
                                QFileInfo(programDir).isWritable(), userDirectory()));
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
