#include "common/ThreadName.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace orva {
namespace {

// What other processes see: the kernel's name of the thread.
std::string KernelName() {
    std::ifstream comm("/proc/self/task/" + std::to_string(gettid()) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

TEST(ThreadName, OtherProcessesSeeTheNameCutTo15Characters) {
    struct Case {
        std::string name;
        std::string seen;
    };
    for (const Case& c : {Case{"dms-consumer", "dms-consumer"}, Case{"exactly-15-char", "exactly-15-char"},
                          Case{"a-name-of-21-letters!", "a-name-of-21-le"}}) {
        std::string current;
        std::string kernel;
        std::thread([&] {
            ThreadName::SetCurrent(c.name);
            current = ThreadName::Current();
            kernel = KernelName();
        }).join();
        EXPECT_EQ(current, c.seen);
        EXPECT_EQ(kernel, c.seen);
    }
}

}  // namespace
}  // namespace orva
