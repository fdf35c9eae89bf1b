#include "data_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

constexpr qsizetype kPage = 4096;

bool writeAll(int fd, const QByteArray& bytes, off_t at) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), at + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

bool AtomicFileWriter::write(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = QFile::encodeName(temporaryPathFor(path));
    lastSize_ = -1;
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes, 0);
    // A sync now and then bounds what a power cut can take; every second would stall.
    if (ok && syncDue()) {
        ok = ::fdatasync(fd) == 0;
        if (ok)
            synced();
    }
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    if (ok) {
        lastPath_ = path;
        lastSize_ = bytes.size();
    }
    return ok;
}

bool AtomicFileWriter::rewrite(const QString& path, const QByteArray& bytes) {
    if (path != lastPath_ || lastSize_ < 0 || bytes.size() < lastSize_ || bytes.size() > kPage)
        return write(path, bytes);
    // Not created: a file deleted meanwhile is written anew, whole.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return write(path, bytes);
    bool ok = writeAll(fd, bytes, 0);
    // Anything past the new end was not ours: the file was changed from outside.
    struct stat status {};
    ok = ok && ::fstat(fd, &status) == 0 && status.st_size == off_t(bytes.size());
    if (ok && syncDue()) {
        ok = ::fdatasync(fd) == 0;
        if (ok)
            synced();
    }
    ok = (::close(fd) == 0) && ok;
    if (!ok)
        return write(path, bytes);
    lastSize_ = bytes.size();
    return true;
}

} // namespace tarvo
