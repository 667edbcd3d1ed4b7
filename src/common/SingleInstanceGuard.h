#pragma once
// One station per data folder: an exclusive lock (flock) on "orvacam.lock" in the data
// folder, taken by the window and by every command that writes station data. Two stations
// on one camera, one settings file and one set of event files and equipment lists would
// fight over them; the second start is refused before it changes anything. The lock sits
// beside the data it guards, so two starts with different runtime folders still meet.
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

    // AppPaths::DataDirectory().
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
