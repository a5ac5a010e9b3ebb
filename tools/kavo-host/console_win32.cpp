// Windows side of console.h. Ctrl-C: the console runs the control handler on a
// thread of its own, which may take locks, so the handler calls back directly.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <mutex>

#include "console.h"
#include "utf16_text.h"

namespace kavosay {
namespace {

std::wstring Wide(const std::string& utf8) {
    const std::u16string text = ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

// The handler is a plain function: it finds the live watch here.
std::mutex handlerMutex;
std::function<void()>* activeCallback = nullptr;
bool interruptSeen = false;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    std::lock_guard<std::mutex> lock(handlerMutex);
    if (!activeCallback || interruptSeen) return FALSE;  // the default handler ends the program
    interruptSeen = true;
    (*activeCallback)();
    return TRUE;
}

}  // namespace

std::vector<std::string> ProgramArguments(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i) {
        const std::wstring arg(wide[i]);
        args.push_back(ToUtf8(std::u16string(arg.begin(), arg.end())));
    }
    LocalFree(wide);
    return args;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

std::filesystem::path PathFromArgument(const std::string& utf8) { return std::filesystem::path(Wide(utf8)); }

std::string DisplayPath(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    return ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::filesystem::path ProgramDirectory() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &name[0], static_cast<DWORD>(name.size()));
        if (length == 0) return std::filesystem::path();
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 2);  // cut short: ask again with room to spare
    }
}

void UseBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

bool IsSeekable(std::FILE* stream) {
    return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)))) == FILE_TYPE_DISK;
}

void WriteText(std::FILE* stream, const std::string& text) {
    std::fflush(stream);
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Wide(text);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

struct InterruptWatch::State {
    std::function<void()> onInterrupt;
};

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : state_(new State) {
    state_->onInterrupt = std::move(onInterrupt);
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        activeCallback = &state_->onInterrupt;
        interruptSeen = false;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptWatch::~InterruptWatch() {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    // A handler already running finishes before the callback goes away.
    std::lock_guard<std::mutex> lock(handlerMutex);
    activeCallback = nullptr;
}

}  // namespace kavosay
