#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

// Makes a directory refuse new entries. Permission bits do not stop root, so where they
// are not enough the directory is also made immutable on Linux; the destructor undoes both.
// Elsewhere (Windows under wine, run as root) it may stay writable: see active().
class ReadOnlyDir {
public:
    explicit ReadOnlyDir(QString path) : path_(std::move(path)) {
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                         QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        if (refusesNewFiles())
            return;
        setImmutable(true);
        immutable_ = true;
    }
    ~ReadOnlyDir() {
        if (immutable_)
            setImmutable(false);
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool active() const { return refusesNewFiles(); }

private:
    bool refusesNewFiles() const {
        QFile probe(QDir(path_).filePath(QStringLiteral(".probe")));
        if (!probe.open(QIODevice::WriteOnly))
            return true;
        probe.close();
        probe.remove();
        return false;
    }
    void setImmutable([[maybe_unused]] bool on) const {
#ifdef __linux__
        const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
#endif
    }

    QString path_;
    bool immutable_ = false;
};
