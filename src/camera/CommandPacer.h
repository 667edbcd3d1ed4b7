#pragma once
// Keeps accesses to a device at least a fixed spacing apart: an access starts no earlier
// than `spacing` after the previous paced access ended. The first access runs at once.
//
// Threads: any thread may call Run; paced accesses are serialised, so a caller may wait
// for another thread's access and then for the spacing.

#include "common/Clock.h"

#include <mutex>
#include <optional>

namespace orva {

class CommandPacer {
public:
    CommandPacer(Clock& clock, Clock::Duration spacing);

    // Waits for its turn, runs `access` and returns its result.
    template <class Access>
    auto Run(Access&& access) {
        std::lock_guard lock(mutex_);
        WaitForTurn();
        EndMarker marker{*this};
        return access();
    }

private:
    struct EndMarker {
        CommandPacer& pacer;
        ~EndMarker() { pacer.lastEnd_ = pacer.clock_.Now(); }
    };

    void WaitForTurn();

    Clock& clock_;
    const Clock::Duration spacing_;
    std::mutex mutex_;
    std::optional<Clock::TimePoint> lastEnd_;  // guarded by mutex_
};

}  // namespace orva
