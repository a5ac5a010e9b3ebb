#include "util/module_thread.h"

#include <atomic>

#include "util/module_reference.h"

namespace kavo {
namespace {

std::atomic<int> liveThreads{0};
thread_local bool isModuleThread = false;

}  // namespace

ModuleThread::ModuleThread(std::function<void()> body) : moduleReference_(AcquireModuleReference()) {
    liveThreads.fetch_add(1);
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            isModuleThread = true;
            id_.store(std::this_thread::get_id());
            body();
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

bool ModuleThread::OnModuleThread() { return isModuleThread; }

}  // namespace kavo
