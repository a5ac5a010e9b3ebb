// Holder for a module-wide object that is built when the library loads and
// destroyed when it unloads, unless a thread of the module still uses it: then
// it is left in place (a host that unloads or exits without uninitialising
// must not have the queue pulled from under a waiting thread).
#pragma once
#include <new>
#include <utility>

namespace kavo {

template <typename T>
class ModuleObject {
public:
    template <typename... Args>
    explicit ModuleObject(Args&&... args) {
        ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
    }
    ~ModuleObject() {
        if (!Get().HasLiveThread()) Get().~T();
    }
    ModuleObject(const ModuleObject&) = delete;
    ModuleObject& operator=(const ModuleObject&) = delete;

    T& Get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace kavo
