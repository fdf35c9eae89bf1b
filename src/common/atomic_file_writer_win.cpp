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
    bool durable = false;
    if (ok && syncDue()) {
        ok = FlushFileBuffers(file) != FALSE;
        durable = ok;
        if (ok)
            synced();
    }
    ok = CloseHandle(file) && ok;
    // With the data on disk, the rename is made durable too before it returns.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
    if (ok)
        ok = MoveFileExW(temp.c_str(), target.c_str(), flags) != FALSE;
    if (!ok)
        DeleteFileW(temp.c_str());
    return ok;
}

bool AtomicFileWriter::rewrite(const QString& path, const QByteArray& bytes) {
    return write(path, bytes);
}

} // namespace tarvo
