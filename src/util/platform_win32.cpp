// Windows side of the platform layer.
#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <vector>

#include "util/ansi_text.h"
#include "util/dynamic_library.h"
#include "util/local_time.h"
#include "util/module_path.h"
#include "util/module_reference.h"
#include "util/text_file.h"
#include "util/thread_id.h"

namespace kavo {
namespace {

HINSTANCE moduleInstance = nullptr;

const wchar_t* AsWide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string FromWide(const wchar_t* text, std::size_t maxUnits) {
    std::size_t length = 0;
    while (length < maxUnits && text[length] != L'\0') ++length;
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace

void SetModuleInstance(void* instance) { moduleInstance = static_cast<HINSTANCE>(instance); }

std::u16string GetModuleDirectory() {
    wchar_t fileName[MAX_PATH] = {};
    GetModuleFileNameW(moduleInstance, fileName, MAX_PATH);
    const std::u16string path = FromWide(fileName, MAX_PATH);
    // A name that filled the whole buffer may have been cut: refuse it.
    if (path.size() >= MAX_PATH) return std::u16string();
    wchar_t folder[MAX_PATH] = {};
    std::copy(path.begin(), path.end(), folder);
    PathRemoveFileSpecW(folder);
    return FromWide(folder, MAX_PATH);
}

std::u16string AppendPath(const std::u16string& base, const std::u16string& more) {
    if (base.size() >= MAX_PATH) return std::u16string();
    wchar_t buffer[MAX_PATH] = {};
    std::copy(base.begin(), base.end(), buffer);
    PathAppendW(buffer, AsWide(more));
    return FromWide(buffer, MAX_PATH);
}

std::u16string DynamicLibraryFileName(const std::u16string& stem) { return stem + u".dll"; }

bool WideToAnsi(const std::u16string& input, std::string& output) {
    output.clear();
    const int length = static_cast<int>(input.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, AsWide(input), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    const int written =
        WideCharToMultiByte(CP_ACP, 0, AsWide(input), length, buffer.data(), size, nullptr, nullptr);
    if (written <= 0) return false;
    output.assign(buffer.data(), static_cast<std::size_t>(written));
    return true;
}

LibraryHandle LoadDynamicLibrary(const std::u16string& path, std::uint32_t& errorCode) {
    HMODULE library = LoadLibraryW(AsWide(path));
    errorCode = library ? 0 : GetLastError();
    return library;
}

void* FindLibrarySymbol(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeDynamicLibrary(LibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }

LocalTime GetLocalTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDayOfWeek, now.wDay,
                     now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

void* AcquireModuleReference() {
    // Any address inside this module names it; the reference is dropped by
    // ReleaseModuleReference after the thread has been joined.
    static const char anchor = 0;
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&anchor), &self)) {
        return nullptr;
    }
    return self;
}

void ReleaseModuleReference(void* reference) {
    if (reference) FreeLibrary(static_cast<HMODULE>(reference));
}

std::FILE* OpenTextFileForWriting(const std::u16string& path) {
    // _wfopen shares the file for reading and writing with other processes.
    return _wfopen(AsWide(path), L"w");
}

}  // namespace kavo
