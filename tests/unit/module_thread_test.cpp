#include "util/module_thread.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <system_error>
#include <vector>

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

// A module thread that runs what it is sent until its queue is closed.
class WaitingThread {
public:
    WaitingThread() : thread_([this] {
        while (const auto task = tasks_.Pop()) (**task)();
    }) {}
    void Stop() {
        tasks_.Close();
        thread_.Join();
    }
    // Runs task on the thread and waits until it has run.
    void RunInside(std::function<void()> task) {
        BlockingQueue<std::shared_ptr<int>> done;
        tasks_.Push(std::make_shared<std::function<void()>>([&] {
            task();
            done.Push(std::make_shared<int>(0));
        }));
        done.Pop();
    }
    ModuleThread& thread() { return thread_; }

private:
    BlockingQueue<std::shared_ptr<std::function<void()>>> tasks_;
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
    go.Close();
    thread.Join();
    EXPECT_TRUE(insideIsCurrent);
}

TEST(ModuleThread, EveryRunningOneKnowsItselfAndAStartBeyondThemIsRefused) {
    std::vector<std::unique_ptr<WaitingThread>> running;
    bool refused = false;
    while (!refused && running.size() < 64) {
        try {
            running.push_back(std::make_unique<WaitingThread>());
        } catch (const std::system_error&) {
            refused = true;
        }
    }
    EXPECT_TRUE(refused) << running.size() << " module threads started";
    for (auto& waiting : running) {
        bool known = false;
        waiting->RunInside([&] { known = ModuleThread::OnModuleThread(); });
        EXPECT_TRUE(known) << "a running module thread does not know itself as one";
    }
    running.back()->Stop();
    running.pop_back();
    EXPECT_NO_THROW(running.push_back(std::make_unique<WaitingThread>())) << "a joined thread's place was not freed";
    for (auto& waiting : running) waiting->Stop();
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
