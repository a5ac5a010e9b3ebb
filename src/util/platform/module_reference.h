// Keeps this module loaded while one of its own threads runs
// (module_reference_win32.cpp, module_reference_posix.cpp).
#pragma once

namespace kavo {

// Takes one reference on this module; null when the platform keeps the module
// loaded by other means (POSIX: it is linked not to be unloaded).
void* AcquireModuleReference();
void ReleaseModuleReference(void* reference);

}  // namespace kavo
