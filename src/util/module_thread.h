// A thread of this module. While it exists it keeps the module loaded (a host
// that unloads the library without uninitialising it does not pull the code
// from under it) and it counts among the module's live threads, which keep
// every module-wide object alive (module_object.h). The constructor starts
// the thread and Join waits for it: its owner sends it the exit message first.
#pragma once
#include <atomic>
#include <functional>
#include <thread>

namespace kavo {

class ModuleThread {
public:
    // Starts body on a new thread; throws std::system_error, with nothing
    // changed, when the platform refuses one or the module already runs as
    // many threads as it keeps track of. The body must not throw.
    explicit ModuleThread(std::function<void()> body);
    // Joins, if Join has not.
    ~ModuleThread();
    ModuleThread(const ModuleThread&) = delete;
    ModuleThread& operator=(const ModuleThread&) = delete;

    // Waits for the thread to end. Never call it on the thread itself.
    void Join();
    bool IsCurrentThread() const { return std::this_thread::get_id() == id_.load(); }

    // Threads of this module started and not yet joined.
    static int LiveCount();
    // True on any thread of this module, whichever object started it.
    static bool OnModuleThread();

private:
    int slot_;  // where the running thread's identifier is kept
    void* moduleReference_ = nullptr;
    std::thread thread_;
    std::atomic<std::thread::id> id_{};  // set by the thread itself, before its body runs
};

}  // namespace kavo
