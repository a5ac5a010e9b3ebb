#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "util/platform/text_file.h"

namespace kavo {

std::FILE* OpenTextFileForWriting(const std::u16string& path) {
    // Shared for reading and writing with other processes, as a C runtime file is.
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "w");
    if (!file) _close(fd);
    return file;
}

}  // namespace kavo
