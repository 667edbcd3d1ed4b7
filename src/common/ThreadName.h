#pragma once
// Names the calling thread, so that the tools that list threads (top -H, ps -L, a
// debugger, /proc/PID/task/TID/comm, the soak script) can tell the station's threads
// apart and add up their CPU time by name. The kernel keeps at most 15 characters.
//
// Threads: each thread names itself only.

#include <string>

namespace orva {

class ThreadName {
public:
    static constexpr std::size_t kMaxLength = 15;

    // Longer names are cut to kMaxLength characters.
    static void SetCurrent(const std::string& name);
    // The calling thread's name, empty if it cannot be read.
    static std::string Current();
};

}  // namespace orva
