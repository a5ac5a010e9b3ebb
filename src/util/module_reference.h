// Keeps this module loaded while one of its own threads runs, so that a host
// that unloads the library without uninitialising it does not pull the code
// from under that thread.
#pragma once

namespace kavo {

// Takes one reference on this module; null when the platform keeps the module
// loaded by other means (POSIX: it is linked not to be unloaded).
void* AcquireModuleReference();
void ReleaseModuleReference(void* reference);

}  // namespace kavo
