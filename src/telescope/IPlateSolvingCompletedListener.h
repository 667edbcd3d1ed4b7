#pragma once
// Told when a plate-solving run has ended with an answer from the solver (the main frame).
//
// Threads: called on the plate-solving worker thread.

namespace orva {

class IPlateSolvingCompletedListener {
public:
    virtual ~IPlateSolvingCompletedListener() = default;
    virtual void OnPlateSolvingCompleted() = 0;
};

}  // namespace orva
