#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/WindowMessage.h"

namespace {

struct CountedRecord : dv::MessageRecord {
    explicit CountedRecord(std::atomic<int>* alive) : alive(alive) { ++*alive; }
    ~CountedRecord() override { --*alive; }
    std::atomic<int>* alive;
};

struct CollectingSink : dv::MessageSink {
    void Deliver(unsigned message, intptr_t param,
                 std::unique_ptr<dv::MessageRecord> record) override {
        std::lock_guard<std::mutex> lock(mutex);
        received.push_back({message, param});
        records.push_back(std::move(record));
    }
    std::mutex mutex;
    std::vector<std::pair<unsigned, intptr_t>> received;
    std::vector<std::unique_ptr<dv::MessageRecord>> records;
};

TEST(WindowMessage, DetachedOrMissingTargetsDropRecordsWithoutLeaking) {
    std::atomic<int> alive{0};
    CollectingSink sink;
    auto target = std::make_shared<dv::WindowTarget>(&sink);
    EXPECT_TRUE(
        dv::PostToWindow(target, dv::WM_DSP_VALUE, 6, std::make_unique<CountedRecord>(&alive)));
    target->Detach();
    EXPECT_FALSE(
        dv::PostToWindow(target, dv::WM_DSP_VALUE, 7, std::make_unique<CountedRecord>(&alive)));
    EXPECT_FALSE(
        dv::PostToWindow(nullptr, dv::WM_DSP_VALUE, 8, std::make_unique<CountedRecord>(&alive)));
    EXPECT_EQ(alive.load(), 1) << "only the delivered record is still alive";
    ASSERT_EQ(sink.received.size(), 1u);
    EXPECT_EQ(sink.received[0], std::make_pair(1234u, intptr_t{6}));
}

TEST(WindowMessage, PostsFromManyThreadsWhileTheWindowClosesAreSafe) {
    std::atomic<int> alive{0};
    CollectingSink sink;
    auto target = std::make_shared<dv::WindowTarget>(&sink);
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&, target] {
            for (int i = 0; i < 500; ++i)
                dv::PostToWindow(target, dv::WM_SCENE_VALUE, i,
                                 std::make_unique<CountedRecord>(&alive));
        });
    target->Detach();
    for (auto& p : posters) p.join();
    EXPECT_EQ(alive.load(), static_cast<int>(sink.records.size()));
}

}  // namespace
