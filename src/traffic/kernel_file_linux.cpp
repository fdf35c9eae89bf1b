#include "traffic/kernel_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarvo {

long systemReadAt(int fd, char* buffer, std::size_t size, long offset) {
    ssize_t n;
    do
        n = ::pread(fd, buffer, size, off_t(offset));
    while (n < 0 && errno == EINTR);
    return long(n);
}

bool readWhole(const ReadAt& readAt, int fd, std::string& out, std::size_t limit) {
    if (out.capacity() < 4096)
        out.reserve(4096);
    std::size_t size = 0;
    for (;;) {
        if (size == out.capacity()) {
            if (size >= limit) {
                // Full up to the limit: the file fits only if nothing follows.
                char next;
                const long n = readAt(fd, &next, 1, long(size));
                if (n != 0) {
                    out.clear();
                    return false;
                }
                break;
            }
            out.reserve(out.capacity() * 2);
        }
        out.resize(out.capacity());
        const long n = readAt(fd, out.data() + size, out.size() - size, long(size));
        if (n < 0) {
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        size += std::size_t(n);
    }
    out.resize(size);
    return size <= limit;
}

KernelFile::KernelFile(std::string path, std::size_t limit, ReadAt readAt)
    : path_(std::move(path)), limit_(limit),
      readAt_(readAt ? std::move(readAt) : ReadAt(systemReadAt)) {}

KernelFile::~KernelFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

KernelFile::KernelFile(KernelFile&& other) noexcept
    : path_(std::move(other.path_)), limit_(other.limit_), readAt_(std::move(other.readAt_)),
      fd_(other.fd_) {
    other.fd_ = -1;
}

bool KernelFile::read(std::string& out) {
    if (fd_ >= 0 && readWhole(readAt_, fd_, out, limit_))
        return true;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        out.clear();
        return false;
    }
    if (readWhole(readAt_, fd_, out, limit_))
        return true;
    ::close(fd_);
    fd_ = -1;
    out.clear();
    return false;
}

} // namespace tarvo
