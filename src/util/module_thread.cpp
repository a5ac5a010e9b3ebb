#include "util/module_thread.h"

#include <atomic>
#include <system_error>

#include "util/platform/module_reference.h"

namespace kavo {
namespace {

std::atomic<int> liveThreads{0};

// The identifiers of the module's running threads (a worker and a log writer at
// most; a few spare). Kept in plain slots rather than thread-local storage,
// which a library loaded at run time may not have on every platform. A slot is
// taken before its thread starts, so that no module thread runs unknown.
constexpr int kThreadSlots = 8;
std::atomic<bool> slotTaken[kThreadSlots];
std::atomic<std::thread::id> runningThreads[kThreadSlots];

int TakeSlot() {
    for (int slot = 0; slot < kThreadSlots; ++slot) {
        bool free = false;
        if (slotTaken[slot].compare_exchange_strong(free, true)) return slot;
    }
    return -1;
}

}  // namespace

ModuleThread::ModuleThread(std::function<void()> body) : slot_(TakeSlot()) {
    if (slot_ < 0) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    moduleReference_ = AcquireModuleReference();
    liveThreads.fetch_add(1);
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            id_.store(std::this_thread::get_id());
            runningThreads[slot_].store(std::this_thread::get_id());
            body();
            runningThreads[slot_].store(std::thread::id());
        });
    } catch (...) {
        liveThreads.fetch_sub(1);
        ReleaseModuleReference(moduleReference_);
        slotTaken[slot_].store(false);
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
    slotTaken[slot_].store(false);
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
