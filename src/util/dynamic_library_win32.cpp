#include <windows.h>

#include "util/dynamic_library.h"

namespace kavo {

DynamicLibrary DynamicLibrary::Open(const std::u16string& path, std::uint32_t& errorCode) {
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
