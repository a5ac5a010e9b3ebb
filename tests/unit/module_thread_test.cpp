#include "util/module_thread.h"

#include <gtest/gtest.h>

#include <memory>

#include "util/blocking_queue.h"
#include "util/module_object.h"

namespace {

using kavo::BlockingQueue;
using kavo::ModuleObject;
using kavo::ModuleThread;

struct DestructionProbe {
    explicit DestructionProbe(bool& destroyed) : destroyed_(destroyed) {}
    ~DestructionProbe() { destroyed_ = true; }
    bool& destroyed_;
};

// A module thread that waits on a queue until it is sent the exit marker.
class WaitingThread {
public:
    WaitingThread() : thread_([this] { exitMarker_.Pop(); }) {}
    void Stop() {
        exitMarker_.Push(nullptr);
        thread_.Join();
    }
    ModuleThread& thread() { return thread_; }

private:
    BlockingQueue<std::shared_ptr<int>> exitMarker_;
    ModuleThread thread_;
};

TEST(ModuleThread, CountsAsLiveFromItsStartUntilItIsJoined) {
    const int before = ModuleThread::LiveCount();
    WaitingThread waiting;
    EXPECT_EQ(ModuleThread::LiveCount(), before + 1);
    waiting.Stop();
    EXPECT_EQ(ModuleThread::LiveCount(), before);
}

TEST(ModuleThread, KnowsWhetherItIsTheCallingThread) {
    bool insideIsCurrent = false;
    ModuleThread* self = nullptr;
    BlockingQueue<std::shared_ptr<int>> go;
    ModuleThread thread([&] {
        go.Pop();  // self is set by then
        insideIsCurrent = self->IsCurrentThread();
    });
    self = &thread;
    EXPECT_FALSE(thread.IsCurrentThread());
    go.Push(nullptr);
    thread.Join();
    EXPECT_TRUE(insideIsCurrent);
}

TEST(ModuleObject, IsLeftInPlaceWhileAModuleThreadRunsAndDestroyedOtherwise) {
    bool destroyed = false;
    WaitingThread waiting;
    { ModuleObject<DestructionProbe> object(destroyed); }
    EXPECT_FALSE(destroyed) << "destroyed under a running module thread";
    waiting.Stop();
    { ModuleObject<DestructionProbe> object(destroyed); }
    EXPECT_TRUE(destroyed);
}

}  // namespace
