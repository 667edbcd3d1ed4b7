#include "common/ThreadName.h"
#include "common/ThreadPriority.h"
#include "processing/FrameWorkerPool.h"

#include <gtest/gtest.h>

#include <barrier>
#include <mutex>
#include <string>

namespace orva {
namespace {

struct WorkerSeen {
    std::string name;
    int nice = 0;
};

// Two parts on two threads that wait for each other: the second part can only run on the
// pool's worker, which reports how it was started.
WorkerSeen SeenByTheWorker(FrameWorkerPool& pool) {
    const std::thread::id caller = std::this_thread::get_id();
    std::barrier both(2);
    std::mutex mutex;
    WorkerSeen seen;
    pool.Run(2, [&](int, int) {
        if (std::this_thread::get_id() != caller) {
            std::lock_guard lock(mutex);
            seen = {ThreadName::Current(), ThreadPriority::CurrentNice()};
        }
        both.arrive_and_wait();
    });
    return seen;
}

// A recording read back beside a running recording must not outrank the frame path.
TEST(FrameWorkerPool, WorkersCarryTheNameAndPriorityOfTheirUse) {
    const int callerNice = ThreadPriority::CurrentNice();
    FrameWorkerPool framePath(2);
    FrameWorkerPool background(2, FrameWorkerPool::Use::Background, "adv-decode");

    const WorkerSeen frame = SeenByTheWorker(framePath);
    const WorkerSeen other = SeenByTheWorker(background);
    EXPECT_EQ(frame.name, "frame-worker");
    EXPECT_LE(frame.nice, callerNice);
    EXPECT_EQ(other.name, "adv-decode");
    EXPECT_EQ(other.nice, callerNice);
    EXPECT_EQ(ThreadPriority::CurrentNice(), callerNice);
}

}  // namespace
}  // namespace orva
