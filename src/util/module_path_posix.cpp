#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "util/module_path.h"
#include "util/utf.h"

namespace kavo {
namespace {

void* moduleInstance = nullptr;

std::string ModuleFilePath() {
    Dl_info info{};
    const void* address = moduleInstance ? moduleInstance : reinterpret_cast<const void*>(&ModuleFilePath);
    // The file itself, not a symbolic link to it nor a name relative to the
    // current folder: its companions (engine, log file) lie beside the file.
    if (dladdr(address, &info) != 0 && info.dli_fname && std::strchr(info.dli_fname, '/')) {
        char resolved[PATH_MAX];
        if (realpath(info.dli_fname, resolved)) return resolved;
        if (info.dli_fname[0] == '/') return info.dli_fname;
    }
    // The main program is named as it was started; the kernel knows its full path.
    char resolved[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
    if (n <= 0) return std::string();
    return std::string(resolved, static_cast<std::size_t>(n));
}

}  // namespace

void SetModuleInstance(void* instance) { moduleInstance = instance; }

// POSIX paths have no length limit here, and their bytes need not be UTF-8:
// they are carried losslessly (PathBytesToUtf16) until they reach the file system.
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
