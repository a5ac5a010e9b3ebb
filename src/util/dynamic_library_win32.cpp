#include <windows.h>

#include "util/dynamic_library.h"

namespace kavo {

namespace {

// "C:\..." or "\\server\...": a path the loader takes as it is, without a search.
bool IsFullPath(const std::u16string& path) {
    const bool drive = path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
    const bool unc = path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\';
    return drive || unc;
}

}  // namespace

DynamicLibrary DynamicLibrary::Open(const std::u16string& path, std::uint32_t& errorCode) {
    if (!IsFullPath(path)) {
        errorCode = ERROR_PATH_NOT_FOUND;
        return DynamicLibrary();
    }
    HMODULE handle = LoadLibraryW(reinterpret_cast<const wchar_t*>(path.c_str()));
    errorCode = handle ? 0 : GetLastError();
    return DynamicLibrary(handle);
}

void DynamicLibrary::Close() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)) : nullptr;
}

std::u16string DynamicLibraryFileName(const std::u16string& stem) { return stem + u".dll"; }

}  // namespace kavo
