#include "common/SharedTelescopeState.h"

namespace orva {

SharedTelescopeState::Position SharedTelescopeState::Read() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return position_;
}

void SharedTelescopeState::Write(const Position& position) {
    std::lock_guard<std::mutex> lock(mutex_);
    position_ = position;
}

void SharedTelescopeState::Reset() { Write(Position{}); }

}  // namespace orva
