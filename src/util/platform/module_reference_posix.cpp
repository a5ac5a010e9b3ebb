#include "util/platform/module_reference.h"

namespace kavo {

// The shared library is linked with -z nodelete, so unloading never unmaps it.
void* AcquireModuleReference() { return nullptr; }
void ReleaseModuleReference(void*) {}

}  // namespace kavo
