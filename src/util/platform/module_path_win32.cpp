#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include "util/platform/module_path.h"

namespace kavo {
namespace {

HINSTANCE moduleInstance = nullptr;

std::u16string FromBuffer(const wchar_t* buffer) {
    std::size_t length = 0;
    while (length < MAX_PATH && buffer[length] != L'\0') ++length;
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
}

}  // namespace

void SetModuleInstance(void* instance) { moduleInstance = static_cast<HINSTANCE>(instance); }

std::u16string GetModuleDirectory() {
    wchar_t fileName[MAX_PATH] = {};
    // A name that fills the whole buffer was cut (the call then returns the
    // buffer's size, with a terminated, shortened name): refuse it.
    const DWORD length = GetModuleFileNameW(moduleInstance, fileName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::u16string();
    const std::u16string path = FromBuffer(fileName);
    wchar_t folder[MAX_PATH] = {};
    std::copy(path.begin(), path.end(), folder);
    PathRemoveFileSpecW(folder);
    return FromBuffer(folder);
}

std::u16string AppendPath(const std::u16string& base, const std::u16string& more) {
    if (base.size() >= MAX_PATH) return std::u16string();
    wchar_t buffer[MAX_PATH] = {};
    std::copy(base.begin(), base.end(), buffer);
    PathAppendW(buffer, reinterpret_cast<const wchar_t*>(more.c_str()));
    return FromBuffer(buffer);
}

}  // namespace kavo
