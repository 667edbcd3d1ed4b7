#include "common/ThreadPriority.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
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
}

// Where the process may lower a thread's nice value that far (a probe thread tries; root
// in a container may lack CAP_SYS_NICE), the frame path gets the full step.
TEST(ThreadPriority, TakesTheFullStepWherePermitted) {
    bool permitted = false;
    std::thread probe([&] {
        permitted = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)),
                                  ThreadPriority::kFramePathNice) == 0;
    });
    probe.join();
    if (!permitted) GTEST_SKIP() << "this process may not lower a thread's nice value";
    int after = 0;
    std::thread worker([&] { after = ThreadPriority::RaiseCurrentForFramePath(); });
    worker.join();
    EXPECT_EQ(after, ThreadPriority::kFramePathNice);
}

}  // namespace
}  // namespace orva
