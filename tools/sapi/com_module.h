// What keeps the DLL loaded: live engine instances and class factory locks.
#pragma once

namespace kavo::sapi {

void LockModule();
void UnlockModule();
bool ModuleInUse();

}  // namespace kavo::sapi
