#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tarvo {

// One read at an offset, as pread does: bytes read, 0 at the end, -1 on an error.
using ReadAt = std::function<long(int fd, char* buffer, std::size_t size, long offset)>;

// Reads a whole file through readAt: on until a read returns 0, since /proc hands out
// about one page per read however large the file is. False on an error or past limit.
bool readWhole(const ReadAt& readAt, int fd, std::string& out, std::size_t limit);

// A file of /proc or /sys read again and again: kept open and read from its start each
// time, since the meter reads these files every second. Reopens when the file went away
// (an interface that left) and came back.
class KernelFile {
public:
    explicit KernelFile(std::string path, std::size_t limit = 1 << 22, ReadAt readAt = {});
    ~KernelFile();
    KernelFile(KernelFile&& other) noexcept;
    KernelFile(const KernelFile&) = delete;
    KernelFile& operator=(const KernelFile&) = delete;
    KernelFile& operator=(KernelFile&&) = delete;

    // The whole content, or false when it cannot be read.
    bool read(std::string& out);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::size_t limit_;
    ReadAt readAt_;
    int fd_ = -1;
};

// The pread of the system.
long systemReadAt(int fd, char* buffer, std::size_t size, long offset);

} // namespace tarvo
