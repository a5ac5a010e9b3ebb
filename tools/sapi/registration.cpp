#include "registration.h"

#include "registry_rows.h"
#include "utf16_text.h"

namespace kavo::sapi {
namespace {

std::wstring Wide(const std::string& utf8) {
    const std::u16string text = kavosay::ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE; }

LSTATUS WriteRow(const RegistryRow& row) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(RootKey(row.root), Wide(row.key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    const std::wstring name = Wide(row.name);
    const std::wstring data = Wide(row.data);
    status = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status;
}

LSTATUS DeleteWhole(RegistryRoot root, const std::string& key) {
    const LSTATUS status = RegDeleteTreeW(RootKey(root), Wide(key).c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        // RegDeleteTreeW empties the key; the key itself goes too.
        const LSTATUS gone = RegDeleteKeyW(RootKey(root), Wide(key).c_str());
        return gone == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : gone;
    }
    return status;
}

}  // namespace

HRESULT RegisterServer(const std::wstring& dllPath) {
    try {
        const std::u16string path(dllPath.begin(), dllPath.end());
        for (const RegistryRow& row : AllRows(kavosay::ToUtf8(path))) {
            const LSTATUS status = WriteRow(row);
            if (status != ERROR_SUCCESS) {
                UnregisterServer();
                return HRESULT_FROM_WIN32(status);
            }
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnregisterServer() {
    try {
        LSTATUS status = DeleteWhole(RegistryRoot::ClassesRoot, ClassKey());
        for (const VoiceFacts& voice : kVoices) {
            const LSTATUS token = DeleteWhole(RegistryRoot::LocalMachine, TokenKey(voice));
            if (status == ERROR_SUCCESS) status = token;
        }
        return HRESULT_FROM_WIN32(status);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace kavo::sapi
