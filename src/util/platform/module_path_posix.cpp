#include <dlfcn.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/platform/module_path.h"
#include "util/utf.h"

namespace kavo {
namespace {

void* moduleInstance = nullptr;

const void* AddressInModule() {
    return moduleInstance ? moduleInstance : reinterpret_cast<const void*>(&AddressInModule);
}

// The kernel writes a newline in a file name as the escape "\012".
std::string UnescapeMapsName(const char* name, std::size_t length) {
    std::string path;
    path.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        if (name[i] == '\\' && length - i >= 4 && std::memcmp(name + i + 1, "012", 3) == 0) {
            path.push_back('\n');
            i += 3;
        } else {
            path.push_back(name[i]);
        }
    }
    return path;
}

// The file the kernel mapped at address, from /proc/self/maps: always a full
// path, whatever the current folder was when the library was loaded and
// however the host named it then. Empty where /proc is not there.
std::string MappedFilePath(const void* address) {
    std::FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps) return std::string();
    const auto wanted = reinterpret_cast<std::uintptr_t>(address);
    std::string path;
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    while ((length = getline(&line, &capacity, maps)) > 0) {
        unsigned long start = 0, end = 0;
        int nameAt = 0;
        // start-end perms offset device inode, then the name after the spaces.
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %n", &start, &end, &nameAt) < 2 || nameAt == 0) continue;
        if (wanted < start || wanted >= end) continue;
        std::size_t nameLength = static_cast<std::size_t>(length) - static_cast<std::size_t>(nameAt);
        if (nameLength > 0 && line[length - 1] == '\n') --nameLength;
        if (nameLength > 0 && line[nameAt] == '/') path = UnescapeMapsName(line + nameAt, nameLength);
        break;
    }
    std::free(line);
    std::fclose(maps);
    return path;
}

std::string ModuleFilePath() {
    std::string path = MappedFilePath(AddressInModule());
    if (path.empty()) {
        // Without /proc the loader's own record serves, but only a full path:
        // a relative one was relative to a folder the host may since have left.
        Dl_info info{};
        if (dladdr(AddressInModule(), &info) != 0 && info.dli_fname && info.dli_fname[0] == '/') {
            path = info.dli_fname;
        }
    }
    // A path the file system cannot take by name is no path to load or write by.
    if (path.size() >= PATH_MAX) return std::string();
    return path;
}

}  // namespace

void SetModuleInstance(void* instance) { moduleInstance = instance; }

// POSIX paths need not be UTF-8: their bytes are carried losslessly
// (PathBytesToUtf16) until they reach the file system.
std::u16string GetModuleDirectory() {
    const std::u16string path = PathBytesToUtf16(ModuleFilePath());
    if (path.empty()) return std::u16string();
    const std::size_t slash = path.find_last_of(u'/');
    if (slash == std::u16string::npos) return std::u16string();
    if (slash == 0) return u"/";
    return path.substr(0, slash);
}

std::u16string AppendPath(const std::u16string& base, const std::u16string& more) {
    std::u16string joined = base;
    std::size_t skip = 0;
    while (skip < more.size() && more[skip] == u'/') ++skip;
    if (!joined.empty() && joined.back() != u'/' && skip < more.size()) joined.push_back(u'/');
    joined.append(more, skip, std::u16string::npos);
    return joined;
}

}  // namespace kavo
