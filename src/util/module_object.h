// Holder for a module-wide object: built when the library loads, destroyed
// when it unloads. One rule for all of them: while a thread of the module is
// still running (a host that unloaded or exited without uninitialising), no
// module-wide object is destroyed, so no thread ever finds its queue, logger or
// state gone, and no joinable thread object is destroyed.
#pragma once
#include <new>
#include <utility>

#include "util/module_thread.h"

namespace kavo {

template <typename T>
class ModuleObject {
public:
    template <typename... Args>
    explicit ModuleObject(Args&&... args) {
        ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
    }
    ~ModuleObject() {
        if (ModuleThread::LiveCount() == 0) Get().~T();
    }
    ModuleObject(const ModuleObject&) = delete;
    ModuleObject& operator=(const ModuleObject&) = delete;

    T& Get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace kavo
