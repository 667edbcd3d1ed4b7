#pragma once
// One station per user: an exclusive lock (flock) on "orvacam.lock" in $XDG_RUNTIME_DIR,
// or in the data folder when that is not set. Two stations on one camera and one settings
// file would fight over both; the second start is refused before it changes anything.
// The lock is tied to the open file, so the kernel drops it when the process ends, even
// after a crash; a stale file never blocks a start.
//
// Threads: main thread; the guard lives as long as the station.

#include <string>

namespace orva {

class SingleInstanceGuard {
public:
    static constexpr const char* kFileName = "orvacam.lock";
    static constexpr const char* kMessageTitle = "ORVA Cam Control";
    static constexpr const char* kAlreadyRunning = "ORVA Cam Control is already running.";

    enum class State { NotTried, Held, Busy, Failed };

    // $XDG_RUNTIME_DIR when set, else AppPaths::DataDirectory().
    static std::string DefaultDirectory();

    explicit SingleInstanceGuard(std::string directory);
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // Takes the lock without waiting. Busy: another station holds it. Failed: the lock
    // file could not be opened (Error() says why); the caller decides whether to run
    // unguarded.
    State Acquire();
    State Current() const { return state_; }
    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }

private:
    std::string path_;
    std::string error_;
    int fd_ = -1;
    State state_ = State::NotTried;
};

}  // namespace orva
