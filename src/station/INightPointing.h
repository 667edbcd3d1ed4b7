#pragma once
// Points the telescope at a night plan entry's star and centres it, step by step, so that
// the night runner never blocks the station's thread: slew, solve, correct.
//
// Threads: the station's (GUI) thread.

#include <string>

namespace orva {

class INightPointing {
public:
    enum class Status { Running, Done, Failed };

    virtual ~INightPointing() = default;
    virtual void Start(double raHours, double decDegrees) = 0;
    // Done: `result` says how well it is centred (e.g. the offset left); Failed: why not.
    virtual Status Step(std::string& result) = 0;
    // Gives up a pointing still running (its window has come): the mount stops where it is.
    virtual void Abort() = 0;
};

}  // namespace orva
