// The DLL entry point: remembers the module's own handle, so that the plug-in
// finds its folder (engine library, log file). Nothing is started or stopped here.
#include <windows.h>

#include "util/platform/module_path.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) kavo::SetModuleInstance(instance);
    return TRUE;
}
