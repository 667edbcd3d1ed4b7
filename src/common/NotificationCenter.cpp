#include "common/NotificationCenter.h"

#include <algorithm>

namespace orva {

NotificationCenter& NotificationCenter::Instance() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::Subscribe(NotificationReceiver* receiver, const std::string& topic) {
    receivers_[topic].push_back(receiver);
}

void NotificationCenter::Unsubscribe(NotificationReceiver* receiver) {
    for (auto& [topic, list] : receivers_) {
        list.erase(std::remove(list.begin(), list.end(), receiver), list.end());
    }
}

void NotificationCenter::Publish(const std::string& topic) {
    const auto it = receivers_.find(topic);
    if (it == receivers_.end() || it->second.empty()) return;
    // Receivers may change the lists while they are notified.
    const std::vector<NotificationReceiver*> copy = it->second;
    for (NotificationReceiver* receiver : copy) receiver->Notify(topic);
}

}  // namespace orva
