// Writes and removes the registry rows of registry_rows.h.
#pragma once
#include <windows.h>

#include <string>

namespace kavo::sapi {

// Every row, for the DLL at dllPath; on a failure, what was written is removed again.
HRESULT RegisterServer(const std::wstring& dllPath);
// Removes the class key and each voice's token key, whole, and nothing else.
HRESULT UnregisterServer();

}  // namespace kavo::sapi
