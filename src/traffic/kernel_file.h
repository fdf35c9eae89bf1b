#pragma once

#include <string>

namespace tarvo {

// A file of /proc or /sys read again and again: kept open and read from its start each
// time, in one call where it fits, since the meter reads these files every second.
// Reopens when the file went away (an interface that left) and came back.
class KernelFile {
public:
    explicit KernelFile(std::string path, size_t limit = 1 << 20);
    ~KernelFile();
    KernelFile(KernelFile&& other) noexcept;
    KernelFile(const KernelFile&) = delete;
    KernelFile& operator=(const KernelFile&) = delete;
    KernelFile& operator=(KernelFile&&) = delete;

    // The whole content, or false when it cannot be read.
    bool read(std::string& out);

private:
    bool readOpen(std::string& out);

    std::string path_;
    size_t limit_;
    int fd_ = -1;
};

} // namespace tarvo
