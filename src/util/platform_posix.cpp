// POSIX side of the platform layer.
#include <dlfcn.h>
#include <errno.h>
#include <iconv.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/ansi_text.h"
#include "util/dynamic_library.h"
#include "util/local_time.h"
#include "util/module_path.h"
#include "util/module_reference.h"
#include "util/text_file.h"
#include "util/thread_id.h"
#include "util/utf.h"

namespace kavo {
namespace {

// Same limit as the Windows path buffer, so both platforms refuse the same paths.
constexpr std::size_t kMaxPath = 260;

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

// iconv from UTF-16LE to GBK, one character at a time, so that a character GBK
// lacks (or a lone surrogate) becomes "?" and the rest still converts.
class GbkEncoder {
public:
    GbkEncoder() : cd_(iconv_open("GBK", "UTF-16LE")) {}
    ~GbkEncoder() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    GbkEncoder(const GbkEncoder&) = delete;
    GbkEncoder& operator=(const GbkEncoder&) = delete;

    bool Encode(const std::u16string& input, std::string& output) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        for (std::size_t i = 0; i < input.size();) {
            std::size_t units = 1;
            if (input[i] >= 0xD800 && input[i] <= 0xDBFF && i + 1 < input.size() && input[i + 1] >= 0xDC00 &&
                input[i + 1] <= 0xDFFF) {
                units = 2;
            }
            unsigned char in[4];
            for (std::size_t k = 0; k < units; ++k) {
                in[2 * k] = static_cast<unsigned char>(input[i + k] & 0xFF);
                in[2 * k + 1] = static_cast<unsigned char>(input[i + k] >> 8);
            }
            char out[8];
            char* inPtr = reinterpret_cast<char*>(in);
            std::size_t inLeft = units * 2;
            char* outPtr = out;
            std::size_t outLeft = sizeof out;
            if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
                output.push_back('?');
            } else {
                output.append(out, sizeof out - outLeft);
            }
            i += units;
        }
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

void SetModuleInstance(void* instance) { moduleInstance = instance; }

std::u16string GetModuleDirectory() {
    const std::u16string path = Utf8ToUtf16(ModuleFilePath());
    if (path.empty() || path.size() >= kMaxPath) return std::u16string();
    const std::size_t slash = path.find_last_of(u'/');
    if (slash == std::u16string::npos) return std::u16string();
    if (slash == 0) return u"/";
    return path.substr(0, slash);
}

std::u16string AppendPath(const std::u16string& base, const std::u16string& more) {
    if (base.size() >= kMaxPath) return std::u16string();
    std::u16string joined = base;
    std::size_t skip = 0;
    while (skip < more.size() && more[skip] == u'/') ++skip;
    if (!joined.empty() && joined.back() != u'/' && skip < more.size()) joined.push_back(u'/');
    joined.append(more, skip, std::u16string::npos);
    // The Windows join refuses a result that would not fit its buffer and keeps base.
    if (joined.size() >= kMaxPath) return base;
    return joined;
}

std::u16string DynamicLibraryFileName(const std::u16string& stem) { return u"lib" + stem + u".so"; }

bool WideToAnsi(const std::u16string& input, std::string& output) {
    output.clear();
    if (input.empty()) return false;
    GbkEncoder encoder;
    if (!encoder.Encode(input, output)) {
        output.clear();
        return false;
    }
    return true;
}

LibraryHandle LoadDynamicLibrary(const std::u16string& path, std::uint32_t& errorCode) {
    errno = 0;
    void* library = dlopen(Utf16ToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    // dlopen has no code of its own; the file system's errno says why, where it was set.
    errorCode = library ? 0 : static_cast<std::uint32_t>(errno != 0 ? errno : ENOENT);
    return library;
}

void* FindLibrarySymbol(LibraryHandle library, const char* name) { return dlsym(library, name); }

void FreeDynamicLibrary(LibraryHandle library) { dlclose(library); }

LocalTime GetLocalTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return LocalTime{static_cast<std::uint16_t>(local.tm_year + 1900), static_cast<std::uint16_t>(local.tm_mon + 1),
                     static_cast<std::uint16_t>(local.tm_wday),        static_cast<std::uint16_t>(local.tm_mday),
                     static_cast<std::uint16_t>(local.tm_hour),        static_cast<std::uint16_t>(local.tm_min),
                     static_cast<std::uint16_t>(local.tm_sec),         static_cast<std::uint16_t>(now.tv_nsec / 1000000)};
}

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(syscall(SYS_gettid)); }

// The shared library is linked with -z nodelete, so unloading never unmaps it.
void* AcquireModuleReference() { return nullptr; }
void ReleaseModuleReference(void*) {}

std::FILE* OpenTextFileForWriting(const std::u16string& path) { return std::fopen(Utf16ToUtf8(path).c_str(), "w"); }

}  // namespace kavo
