#include "telescope/PlateSolvingResult.h"

namespace orva {

PlateSolution PlateSolvingResult::Read() const {
    std::lock_guard lock(mutex_);
    return solution_;
}

uint32_t PlateSolvingResult::Publish(const PlateSolution& solution) {
    std::lock_guard lock(mutex_);
    const uint32_t counter = solution_.solutionCounter + 1;
    solution_ = solution;
    solution_.solutionCounter = counter;
    return counter;
}

void PlateSolvingResult::SetListener(IPlateSolvingCompletedListener* listener) {
    std::lock_guard lock(mutex_);
    listener_ = listener;
}

IPlateSolvingCompletedListener* PlateSolvingResult::Listener() const {
    std::lock_guard lock(mutex_);
    return listener_;
}

}  // namespace orva
