#pragma once
// Hands device removals and arrivals to their listeners, named by symbolic link. A
// removal is told once: the udev monitor and a reader that found its camera gone may
// both report the same unplug; the second report is dropped until the device is seen
// again (an arrival or an enumeration that lists it).
//
// Threads: any thread; listeners are called without the lock held, on the reporting
// thread (the monitor thread or a reader's delivery thread).

#include "camera/ICameraDeviceEnumerator.h"

#include <map>
#include <mutex>
#include <set>
#include <string>

namespace orva {

class V4l2RemovalNotifier {
public:
    using Listener = ICameraDeviceEnumerator::RemovalListener;

    int SubscribeRemovals(Listener listener);
    int SubscribeArrivals(Listener listener);
    // Either kind of subscription.
    void Unsubscribe(int id);

    void NotifyRemoved(const std::string& symbolicLink);
    void NotifyArrived(const std::string& symbolicLink);
    // The device is listed now: a later removal is news again.
    void MarkPresent(const std::string& symbolicLink);

private:
    void Tell(const std::map<int, Listener>& listeners, const std::string& symbolicLink);

    std::mutex mutex_;
    int nextId_ = 1;
    std::map<int, Listener> removalListeners_;
    std::map<int, Listener> arrivalListeners_;
    std::set<std::string> removed_;
};

}  // namespace orva
