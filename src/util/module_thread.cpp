#include "util/module_thread.h"

#include <atomic>

#include "util/module_reference.h"

namespace kavo {
namespace {

std::atomic<int> liveThreads{0};

// The identifiers of the module's running threads (a worker and a log writer at
// most; a few spare). Kept in plain slots rather than thread-local storage,
// which a library loaded at run time may not have on every platform.
constexpr int kThreadSlots = 8;
std::atomic<std::thread::id> runningThreads[kThreadSlots];

void EnterRunning(std::thread::id id) {
    for (auto& slot : runningThreads) {
        std::thread::id empty;
        if (slot.compare_exchange_strong(empty, id)) return;
    }
}

void LeaveRunning(std::thread::id id) {
    for (auto& slot : runningThreads) {
        std::thread::id mine = id;
        if (slot.compare_exchange_strong(mine, std::thread::id())) return;
    }
}

}  // namespace

ModuleThread::ModuleThread(std::function<void()> body) : moduleReference_(AcquireModuleReference()) {
    liveThreads.fetch_add(1);
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            id_.store(std::this_thread::get_id());
            EnterRunning(std::this_thread::get_id());
            body();
            LeaveRunning(std::this_thread::get_id());
        });
    } catch (...) {
        liveThreads.fetch_sub(1);
        ReleaseModuleReference(moduleReference_);
        throw;
    }
}

ModuleThread::~ModuleThread() { Join(); }

void ModuleThread::Join() {
    if (!thread_.joinable()) return;
    thread_.join();
    id_.store(std::thread::id());
    ReleaseModuleReference(moduleReference_);
    moduleReference_ = nullptr;
    liveThreads.fetch_sub(1);
}

int ModuleThread::LiveCount() { return liveThreads.load(); }

bool ModuleThread::OnModuleThread() {
    const std::thread::id self = std::this_thread::get_id();
    for (const auto& slot : runningThreads) {
        if (slot.load() == self) return true;
    }
    return false;
}

}  // namespace kavo
