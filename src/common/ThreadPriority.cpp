#include "common/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace orva {
namespace {

id_t CurrentThreadId() { return static_cast<id_t>(::syscall(SYS_gettid)); }

// The lowest nice value this process may set without privileges: RLIMIT_NICE holds
// 20 - nice (so 0, the usual soft limit, allows nothing below the current value).
int UnprivilegedFloor(int current) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NICE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return current;
    return std::min(current, 20 - static_cast<int>(limit.rlim_cur));
}

}  // namespace

int ThreadPriority::CurrentNice() {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, CurrentThreadId());
    return errno == 0 ? nice : 0;
}

int ThreadPriority::RaiseCurrentForFramePath() {
    const int current = CurrentNice();
    if (current <= kFramePathNice) return current;
    // With CAP_SYS_NICE the wanted value; otherwise as far as the limit lets us go.
    if (::setpriority(PRIO_PROCESS, CurrentThreadId(), kFramePathNice) == 0) return CurrentNice();
    const int floor = std::max(kFramePathNice, UnprivilegedFloor(current));
    if (floor < current) ::setpriority(PRIO_PROCESS, CurrentThreadId(), floor);
    return CurrentNice();
}

}  // namespace orva
