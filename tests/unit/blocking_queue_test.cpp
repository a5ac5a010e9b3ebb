#include "util/blocking_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Ref = std::shared_ptr<int>;
using kavo::BlockingQueue;

Ref Item(int v) { return std::make_shared<int>(v); }

// Pops until the queue reports closed and empty.
std::vector<int> DrainClosed(BlockingQueue<Ref>& queue) {
    std::vector<int> values;
    while (const auto r = queue.Pop()) values.push_back(**r);
    return values;
}

TEST(BlockingQueue, PopsInPushOrder) {
    BlockingQueue<Ref> queue;
    queue.Push(Item(1));
    queue.Push(Item(2));
    queue.Close();
    EXPECT_EQ(DrainClosed(queue), (std::vector<int>{1, 2}));
}

TEST(BlockingQueue, CloseWakesAWaitingConsumerWithNothing) {
    BlockingQueue<Ref> queue;
    std::optional<Ref> result = Item(99);
    std::thread consumer([&] { result = queue.Pop(); });
    queue.Close();
    consumer.join();
    EXPECT_FALSE(result.has_value());
}

TEST(BlockingQueue, AClosedQueueHandsOutWhatItHeldRefusesPushesAndTakesThemAgainOnceOpened) {
    BlockingQueue<Ref> queue;
    EXPECT_TRUE(queue.Push(Item(1)));
    EXPECT_TRUE(queue.Push(Item(2)));
    queue.Close();
    EXPECT_FALSE(queue.Push(Item(3)));
    EXPECT_EQ(DrainClosed(queue), (std::vector<int>{1, 2}));
    EXPECT_FALSE(queue.Pop().has_value()) << "a drained closed queue stays closed";
    queue.Open();
    EXPECT_TRUE(queue.Push(Item(4)));
    queue.Close();
    EXPECT_EQ(DrainClosed(queue), (std::vector<int>{4}));
}

TEST(BlockingQueue, PushSharesTheRecordInsteadOfCopyingIt) {
    BlockingQueue<Ref> queue;
    const Ref item = Item(5);
    queue.Push(item);
    EXPECT_EQ(item.use_count(), 2);
    EXPECT_EQ(queue.Pop()->get(), item.get());
}

TEST(BlockingQueue, ClearDropsAndReleasesEverythingAndKeepsTheQueueOpen) {
    BlockingQueue<Ref> queue;
    const Ref item = Item(1);
    queue.Push(item);
    queue.Push(Item(2));
    queue.Clear();
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_EQ(item.use_count(), 1);
    EXPECT_TRUE(queue.Push(Item(3)));
}

TEST(BlockingQueue, UnboundedQueueTakesAThousandPushesWithoutAPop) {
    BlockingQueue<Ref> queue;
    for (int i = 0; i < 1000; ++i) queue.Push(Item(i));
    EXPECT_EQ(queue.Size(), 1000u);
}

TEST(BlockingQueue, ManyProducersOneConsumerLoseNothingAndKeepEachProducersOrder) {
    BlockingQueue<Ref> queue;
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 500;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&queue, p] {
            for (int i = 0; i < kPerProducer; ++i) queue.Push(Item(p * kPerProducer + i));
        });
    }
    std::vector<int> lastSeen(kProducers, -1);
    bool ordered = true;
    for (int n = 0; n < kProducers * kPerProducer; ++n) {
        const int v = **queue.Pop();
        const int p = v / kPerProducer;
        ordered = ordered && v % kPerProducer > lastSeen[p];
        lastSeen[p] = v % kPerProducer;
    }
    for (auto& t : producers) t.join();
    EXPECT_TRUE(ordered);
    for (int p = 0; p < kProducers; ++p) EXPECT_EQ(lastSeen[p], kPerProducer - 1);
}

}  // namespace
