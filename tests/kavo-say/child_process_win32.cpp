// The child's standard streams are temporary files, so the only wait is the
// one on the process handle, bounded by the time-out.
#include <windows.h>

#include <cstdio>

#include "child_process.h"
#include "support/file_bytes.h"
#include "util/utf.h"

namespace kavosaytest {

std::chrono::seconds DefaultChildTimeout() { return std::chrono::seconds(120); }
std::string ExecutableFileName(const std::string& stem) { return stem + ".exe"; }
bool ChildOutputIsAFile() { return true; }
namespace {

std::wstring Wide(const std::string& utf8) {
    const std::u16string text = kavo::Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

// Quotes one argument the way CommandLineToArgvW splits it again.
std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring TempFile(const wchar_t* prefix) {
    wchar_t folder[MAX_PATH + 1], path[MAX_PATH + 1];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, prefix, 0, path);
    return path;
}

HANDLE OpenInheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ChildResult RunChild(const ChildSpec& launch) {
    ChildResult result;
    const std::wstring inPath = TempFile(L"kin"), outPath = TempFile(L"kou"), errPath = TempFile(L"ker");
    {
        std::FILE* input = _wfopen(inPath.c_str(), L"wb");
        if (input) {
            std::fwrite(launch.input.data(), 1, launch.input.size(), input);
            std::fclose(input);
        }
    }
    HANDLE in = OpenInheritable(inPath, GENERIC_READ, OPEN_EXISTING);
    HANDLE out = OpenInheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = OpenInheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);

    std::wstring commandLine;
    for (const std::string& arg : launch.args) {
        if (!commandLine.empty()) commandLine.push_back(L' ');
        commandLine += QuoteArgument(Wide(arg));
    }
    // The child inherits this process's environment, with the additions set here for it.
    for (const auto& [name, value] : launch.environment) SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL created = CreateProcessW(Wide(launch.args[0]).c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    for (const auto& entry : launch.environment) SetEnvironmentVariableW(Wide(entry.first).c_str(), nullptr);
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);

    if (created) {
        const DWORD milliseconds = static_cast<DWORD>(launch.timeout.count() * 1000);
        if (WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            result.exited = true;
            result.status = static_cast<int>(code);
        } else {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, 10000);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    result.out = kavotest::ReadFileBytes(outPath);
    result.err = kavotest::ReadFileBytes(errPath);
    for (const std::wstring& path : {inPath, outPath, errPath}) DeleteFileW(path.c_str());
    return result;
}

}  // namespace kavosaytest
