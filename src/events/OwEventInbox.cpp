#include "events/OwEventInbox.h"

#include "common/Log.h"

#include <utility>

namespace orva {

bool OwEventInbox::Push(OwEvent event) {
    {
        std::lock_guard lock(mutex_);
        if (events_.size() < capacity_) {
            events_.push_back(std::move(event));
            return true;
        }
    }
    LogMessageString("W OwEventInbox full, event dropped:", event.GetTitle());
    return false;
}

std::vector<OwEvent> OwEventInbox::TakeAll() {
    std::lock_guard lock(mutex_);
    std::vector<OwEvent> taken(std::make_move_iterator(events_.begin()), std::make_move_iterator(events_.end()));
    events_.clear();
    return taken;
}

std::size_t OwEventInbox::Size() const {
    std::lock_guard lock(mutex_);
    return events_.size();
}

}  // namespace orva
