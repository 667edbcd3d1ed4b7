#include "stream/AutoResetEvent.h"

namespace orva {

void AutoResetEvent::Signal() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    condition_.notify_one();
}

bool AutoResetEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool signalled = condition_.wait_for(lock, timeout, [this] { return signalled_; });
    signalled_ = false;
    return signalled;
}

}  // namespace orva
