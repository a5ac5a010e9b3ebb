#include <windows.h>

#include "util/platform/dynamic_library.h"

namespace kavo {

namespace {

// "C:\..." or "\\server\...": a path the loader takes as it is, without a search.
bool IsFullPath(const std::wstring& path) {
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool unc = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
    return drive || unc;
}

}  // namespace

DynamicLibrary DynamicLibrary::Open(const std::filesystem::path& path, std::uint32_t& errorCode,
                                    std::string* loaderText) {
    if (loaderText) loaderText->clear();
    if (!IsFullPath(path.native())) {
        errorCode = ERROR_PATH_NOT_FOUND;
        return DynamicLibrary();
    }
    HMODULE handle = LoadLibraryW(path.c_str());
    errorCode = handle ? 0 : GetLastError();
    return DynamicLibrary(handle);
}

DynamicLibrary DynamicLibrary::Open(const std::u16string& path, std::uint32_t& errorCode, std::string* loaderText) {
    return Open(std::filesystem::path(std::wstring(path.begin(), path.end())), errorCode, loaderText);
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
