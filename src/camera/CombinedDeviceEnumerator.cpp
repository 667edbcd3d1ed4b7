#include "camera/CombinedDeviceEnumerator.h"

#include "common/Log.h"

#include <exception>

namespace orva {

CombinedDeviceEnumerator::~CombinedDeviceEnumerator() {
    std::vector<int> ids;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : subscriptions_) ids.push_back(entry.first);
    }
    for (const int id : ids) UnsubscribeRemovals(id);
}

std::vector<std::shared_ptr<ICameraDevice>> CombinedDeviceEnumerator::EnumerateVideoCaptureDevices() {
    std::vector<std::shared_ptr<ICameraDevice>> all;
    std::size_t failed = 0;
    for (ICameraDeviceEnumerator* layer : layers_) {
        try {
            auto devices = layer->EnumerateVideoCaptureDevices();
            all.insert(all.end(), devices.begin(), devices.end());
        } catch (const std::exception& e) {
            // The other layers' cameras stay usable; only when none could list is it a failure.
            LogMessageString("W CombinedDeviceEnumerator: a camera layer could not be listed:", e.what());
            if (++failed == layers_.size()) throw;
        }
    }
    return all;
}

int CombinedDeviceEnumerator::SubscribeRemovals(RemovalListener listener) {
    std::vector<int> ids;
    for (ICameraDeviceEnumerator* layer : layers_) ids.push_back(layer->SubscribeRemovals(listener));
    std::lock_guard lock(mutex_);
    subscriptions_[++lastId_] = std::move(ids);
    return lastId_;
}

void CombinedDeviceEnumerator::UnsubscribeRemovals(int id) {
    std::vector<int> ids;
    {
        std::lock_guard lock(mutex_);
        const auto it = subscriptions_.find(id);
        if (it == subscriptions_.end()) return;
        ids = std::move(it->second);
        subscriptions_.erase(it);
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] != 0) layers_[i]->UnsubscribeRemovals(ids[i]);
    }
}

}  // namespace orva
