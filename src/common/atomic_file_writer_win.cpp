#include "common/data_file.h"

// clang-format off
#include <windows.h>
// clang-format on

namespace tarvo {

bool AtomicFileWriter::write(const QString& path, const QByteArray& bytes) {
    const std::wstring target = path.toStdWString();
    const std::wstring temp = temporaryPathFor(path).toStdWString();
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.constData(), DWORD(bytes.size()), &written, nullptr) &&
              written == DWORD(bytes.size());
    const auto now = std::chrono::steady_clock::now();
    bool synced = false;
    if (ok && (!lastSync_ || now - *lastSync_ >= syncInterval_)) {
        ok = FlushFileBuffers(file) != FALSE;
        synced = ok;
        if (ok)
            lastSync_ = now;
    }
    ok = CloseHandle(file) && ok;
    // With the data on disk, the rename is made durable too before it returns.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (synced ? MOVEFILE_WRITE_THROUGH : 0);
    if (ok)
        ok = MoveFileExW(temp.c_str(), target.c_str(), flags) != FALSE;
    if (!ok)
        DeleteFileW(temp.c_str());
    return ok;
}

} // namespace tarvo
