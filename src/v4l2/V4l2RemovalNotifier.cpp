#include "v4l2/V4l2RemovalNotifier.h"

#include <vector>

namespace orva {

int V4l2RemovalNotifier::SubscribeRemovals(Listener listener) {
    std::lock_guard lock(mutex_);
    const int id = nextId_++;
    removalListeners_.emplace(id, std::move(listener));
    return id;
}

int V4l2RemovalNotifier::SubscribeArrivals(Listener listener) {
    std::lock_guard lock(mutex_);
    const int id = nextId_++;
    arrivalListeners_.emplace(id, std::move(listener));
    return id;
}

void V4l2RemovalNotifier::Unsubscribe(int id) {
    std::lock_guard lock(mutex_);
    removalListeners_.erase(id);
    arrivalListeners_.erase(id);
}

void V4l2RemovalNotifier::NotifyRemoved(const std::string& symbolicLink) {
    std::unique_lock lock(mutex_);
    if (!removed_.insert(symbolicLink).second) return;
    Tell(removalListeners_, symbolicLink);
}

void V4l2RemovalNotifier::NotifyArrived(const std::string& symbolicLink) {
    std::unique_lock lock(mutex_);
    removed_.erase(symbolicLink);
    Tell(arrivalListeners_, symbolicLink);
}

void V4l2RemovalNotifier::MarkPresent(const std::string& symbolicLink) {
    std::lock_guard lock(mutex_);
    removed_.erase(symbolicLink);
}

// Called with the lock held; calls the listeners after releasing it.
void V4l2RemovalNotifier::Tell(const std::map<int, Listener>& listeners, const std::string& symbolicLink) {
    std::vector<Listener> targets;
    for (const auto& [id, listener] : listeners) targets.push_back(listener);
    mutex_.unlock();
    DeviceChangeNotification notification;
    notification.deviceName = symbolicLink;
    for (const auto& listener : targets) listener(notification);
    mutex_.lock();
}

}  // namespace orva
