#include "common/ThreadPriority.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

namespace orva {
namespace {

// The nice value belongs to the thread: raising the frame path's thread leaves the
// thread that started it (here: the test's main thread, in the station the GUI) as it was.
TEST(ThreadPriority, RaisesOnlyTheCallingThreadAndNeverLowersIt) {
    const int mainBefore = ThreadPriority::CurrentNice();
    int before = 0, after = 0, again = 0;
    std::thread worker([&] {
        before = ThreadPriority::CurrentNice();
        after = ThreadPriority::RaiseCurrentForFramePath();
        again = ThreadPriority::RaiseCurrentForFramePath();
    });
    worker.join();
    EXPECT_LE(after, before);
    EXPECT_GE(after, ThreadPriority::kFramePathNice);
    EXPECT_EQ(again, after);
    EXPECT_EQ(ThreadPriority::CurrentNice(), mainBefore);
    // Privileged (CI runs as root): the full step.
    if (::geteuid() == 0) {
        EXPECT_EQ(after, ThreadPriority::kFramePathNice);
    }
}

}  // namespace
}  // namespace orva
