#include "data_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarvo {

bool AtomicFileWriter::write(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = QFile::encodeName(temporaryPathFor(path));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    qsizetype done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += n;
    }
    const auto now = std::chrono::steady_clock::now();
    if (ok && (!lastSync_ || now - *lastSync_ >= syncInterval_)) {
        // A sync now and then bounds what a power cut can take; every second would stall.
        ok = ::fdatasync(fd) == 0;
        if (ok)
            lastSync_ = now;
    }
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    return ok;
}

} // namespace tarvo
