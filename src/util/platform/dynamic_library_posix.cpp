#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include "util/platform/dynamic_library.h"
#include "util/utf.h"

namespace kavo {

DynamicLibrary DynamicLibrary::Open(const std::filesystem::path& path, std::uint32_t& errorCode,
                                    std::string* loaderText) {
    if (loaderText) loaderText->clear();
    if (!path.is_absolute()) {
        errorCode = ENOENT;
        return DynamicLibrary();
    }
    errno = 0;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    // dlopen has no code of its own; the file system's errno says why, where it was set.
    errorCode = handle ? 0 : static_cast<std::uint32_t>(errno != 0 ? errno : ENOENT);
    const char* text = dlerror();  // read in any case, so that no stale text is left for a later call
    if (!handle && loaderText && text && access(path.c_str(), F_OK) == 0) *loaderText = text;
    return DynamicLibrary(handle);
}

DynamicLibrary DynamicLibrary::Open(const std::u16string& path, std::uint32_t& errorCode, std::string* loaderText) {
    return Open(std::filesystem::path(Utf16ToPathBytes(path)), errorCode, loaderText);
}

void DynamicLibrary::Close() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

std::u16string DynamicLibraryFileName(const std::u16string& stem) { return u"lib" + stem + u".so"; }

}  // namespace kavo
