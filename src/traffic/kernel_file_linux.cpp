#include "traffic/kernel_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarvo {

KernelFile::KernelFile(std::string path, size_t limit) : path_(std::move(path)), limit_(limit) {}

KernelFile::~KernelFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

KernelFile::KernelFile(KernelFile&& other) noexcept
    : path_(std::move(other.path_)), limit_(other.limit_), fd_(other.fd_) {
    other.fd_ = -1;
}

bool KernelFile::readOpen(std::string& out) {
    if (out.capacity() < 4096)
        out.reserve(4096);
    size_t size = 0;
    for (;;) {
        out.resize(out.capacity());
        const ssize_t n = ::pread(fd_, out.data() + size, out.size() - size, off_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        size += size_t(n);
        // Kernel files fill the buffer when they have more: a short read is the end.
        if (size < out.size())
            break;
        if (size >= limit_)
            return false;
        out.reserve(out.size() * 2);
    }
    out.resize(size);
    return true;
}

bool KernelFile::read(std::string& out) {
    if (fd_ >= 0 && readOpen(out))
        return true;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        out.clear();
        return false;
    }
    if (readOpen(out))
        return true;
    ::close(fd_);
    fd_ = -1;
    out.clear();
    return false;
}

} // namespace tarvo
