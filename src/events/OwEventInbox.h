#pragma once
// Hands events received on the feed's thread to the thread that owns the event store:
// the feed pushes, the store's tick takes them all. Bounded, so that a sender that floods
// the feed cannot grow the station's memory without end.
//
// Threads: Push from any thread; TakeAll from the store's thread. One lock guards the queue.

#include "events/OwEvent.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

namespace orva {

class OwEventInbox {
public:
    static constexpr std::size_t kDefaultCapacity = 1000;

    explicit OwEventInbox(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // False (and the event dropped, logged) when the inbox is full.
    bool Push(OwEvent event);
    std::vector<OwEvent> TakeAll();
    std::size_t Size() const;

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::deque<OwEvent> events_;
};

}  // namespace orva
