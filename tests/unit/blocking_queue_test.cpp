#include "util/blocking_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Ref = std::shared_ptr<int>;
using kavo::BlockingQueue;

Ref Item(int v) { return std::make_shared<int>(v); }

std::vector<int> Drain(BlockingQueue<Ref>& queue) {
    std::vector<int> values;
    while (queue.Size() > 0) {
        const Ref r = queue.Pop();
        values.push_back(r ? *r : -1);  // -1 stands for a null marker
    }
    return values;
}

TEST(BlockingQueue, PopsInPushOrder) {
    BlockingQueue<Ref> queue;
    queue.Push(Item(1));
    queue.Push(Item(2));
    EXPECT_EQ(Drain(queue), (std::vector<int>{1, 2}));
}

TEST(BlockingQueue, PopWaitsForAPushAndReturnsANullMarker) {
    BlockingQueue<Ref> queue;
    std::atomic<bool> popped{false};
    Ref result = Item(99);
    std::thread consumer([&] {
        result = queue.Pop();
        popped = true;
    });
    queue.Push(nullptr);
    consumer.join();
    EXPECT_TRUE(popped);
    EXPECT_EQ(result, nullptr);
}

TEST(BlockingQueue, PushSharesTheRecordInsteadOfCopyingIt) {
    BlockingQueue<Ref> queue;
    const Ref item = Item(5);
    queue.Push(item);
    EXPECT_EQ(item.use_count(), 2);
    EXPECT_EQ(queue.Pop().get(), item.get());
}

TEST(BlockingQueue, RemoveIfKeepsOnlyTheElementsThePredicateRejects) {
    BlockingQueue<Ref> queue;
    queue.Push(Item(1));
    queue.Push(nullptr);
    queue.Push(Item(2));
    queue.RemoveIf([](const Ref& r) { return r != nullptr; });
    EXPECT_EQ(Drain(queue), (std::vector<int>{-1}));
}

TEST(BlockingQueue, RemoveIfKeepsTheOrderOfSurvivors) {
    BlockingQueue<Ref> queue;
    for (int v = 1; v <= 6; ++v) queue.Push(Item(v));
    queue.RemoveIf([](const Ref& r) { return *r % 2 == 0; });
    EXPECT_EQ(Drain(queue), (std::vector<int>{1, 3, 5}));
}

TEST(BlockingQueue, RemoveIfWithAnEmptyPredicateEmptiesTheQueueMarkersIncluded) {
    BlockingQueue<Ref> queue;
    queue.Push(Item(1));
    queue.Push(nullptr);
    queue.RemoveIf(nullptr);
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(BlockingQueue, RemoveIfOnAnEmptyQueueChangesNothing) {
    BlockingQueue<Ref> queue;
    int calls = 0;
    queue.RemoveIf([&](const Ref&) { return ++calls > 0; });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(BlockingQueue, RemoveIfReleasesTheRemovedRecords) {
    BlockingQueue<Ref> queue;
    const Ref item = Item(1);
    queue.Push(item);
    queue.RemoveIf([](const Ref& r) { return r != nullptr; });
    EXPECT_EQ(item.use_count(), 1);
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
        const int v = *queue.Pop();
        const int p = v / kPerProducer;
        ordered = ordered && v % kPerProducer > lastSeen[p];
        lastSeen[p] = v % kPerProducer;
    }
    for (auto& t : producers) t.join();
    EXPECT_TRUE(ordered);
    for (int p = 0; p < kProducers; ++p) EXPECT_EQ(lastSeen[p], kPerProducer - 1);
}

}  // namespace
