#include "data_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tarvo {

DataDirectory::DataDirectory(QString path) : path_(std::move(path)) {}

DataDirectory DataDirectory::forProgram() {
    const QString programDir = programDirectory();
    if (QFileInfo(programDir).isWritable())
        return DataDirectory(programDir);
    return DataDirectory(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
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
