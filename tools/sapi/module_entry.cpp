// The DLL's entry point and its four COM exports.
#include <windows.h>

#include <atomic>
#include <new>
#include <string>

#include "com_module.h"
#include "registration.h"
#include "registry_rows.h"
#include "sapi_engine_interfaces.h"
#include "tts_engine.h"
#include "util/platform/module_path.h"

namespace kavo::sapi {
namespace {

HINSTANCE moduleInstance = nullptr;
std::atomic<long> moduleUsers{0};

CLSID EngineClsid() {
    const std::string text = kEngineClsid;
    const std::wstring wide(text.begin(), text.end());  // ASCII
    CLSID clsid{};
    CLSIDFromString(wide.c_str(), &clsid);
    return clsid;
}

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (riid != __uuidof(IUnknown) && riid != __uuidof(IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // One static factory: its references do not keep the DLL; LockServer does.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        TtsEngine* engine = new (std::nothrow) TtsEngine();
        if (engine == nullptr) return E_OUTOFMEMORY;
        const HRESULT result = engine->QueryInterface(riid, object);
        engine->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            LockModule();
        } else {
            UnlockModule();
        }
        return S_OK;
    }
};

ClassFactory factory;

}  // namespace

void LockModule() { ++moduleUsers; }
void UnlockModule() { --moduleUsers; }
bool ModuleInUse() { return moduleUsers.load() > 0; }

}  // namespace kavo::sapi

using namespace kavo::sapi;

// Records the module's handle only: the plug-in is started by the first
// engine instance, never under the loader lock.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
        kavo::SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid != EngineClsid()) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ModuleInUse() ? S_FALSE : S_OK; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(moduleInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return RegisterServer(std::wstring(path, length));
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return UnregisterServer(); }
