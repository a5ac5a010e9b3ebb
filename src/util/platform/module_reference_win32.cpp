#include <windows.h>

#include "util/platform/module_reference.h"

namespace kavo {

void* AcquireModuleReference() {
    // Any address inside this module names it.
    static const char anchor = 0;
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&anchor), &self)) {
        return nullptr;
    }
    return self;
}

void ReleaseModuleReference(void* reference) {
    if (reference) FreeLibrary(static_cast<HMODULE>(reference));
}

}  // namespace kavo
