// A dynamic library loaded at run time: one owner of the loaded handle, which
// unloads it when it goes (dynamic_library_win32.cpp, dynamic_library_posix.cpp).
// Used by the plug-in for its engine, and by kavo-say and the tests for the plug-in.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

namespace kavo {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    // Loads the file at a full path; a bare or relative name is refused rather
    // than looked up through the loader's search path, where anyone may plant a
    // library. An empty value when it does not load, with the loader's error
    // code (or the platform's "path not found" code) in errorCode, and, where
    // the code alone does not say why, the loader's own text in loaderText: on
    // POSIX when the file is there but does not load (another architecture, a
    // missing dependency), since the file system's code then says nothing of
    // it. Otherwise loaderText is left empty.
    static DynamicLibrary Open(const std::filesystem::path& path, std::uint32_t& errorCode,
                               std::string* loaderText = nullptr);
    // The same for a path held as UTF-16 (on POSIX, file-name bytes that are not
    // UTF-8 travel as lone surrogates, see utf.h).
    static DynamicLibrary Open(const std::u16string& path, std::uint32_t& errorCode,
                               std::string* loaderText = nullptr);

    ~DynamicLibrary() { Close(); }
    DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }

    // Sets entry to the exported function called name; false (entry null) when
    // there is none.
    template <typename FunctionPointer>
    bool Find(const char* name, FunctionPointer& entry) const {
        entry = reinterpret_cast<FunctionPointer>(Symbol(name));
        return entry != nullptr;
    }

    // Unloads the library now; the value becomes empty.
    void Close();

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* Symbol(const char* name) const;

    void* handle_ = nullptr;
};

// The platform's file name for a dynamic library called stem:
// "stem.dll" on Windows, "libstem.so" elsewhere.
std::u16string DynamicLibraryFileName(const std::u16string& stem);

}  // namespace kavo
