#include "simcam/SimDeviceEnumerator.h"

#include "simcam/SimCameraDevice.h"

#include <stdexcept>
#include <utility>

namespace orva {

SimDeviceEnumerator::SimDeviceEnumerator(std::vector<std::shared_ptr<SimulatedCamera>> cameras)
    : cameras_(std::move(cameras)) {
    for (const auto& camera : cameras_) {
        // The camera may outlive the enumerator, so its listener holds the list, not us.
        std::weak_ptr<Listeners> weak = listeners_;
        cameraListenerIds_.push_back(camera->AddPresenceListener([weak](SimPresenceEvent event, const std::string& link) {
            if (event != SimPresenceEvent::Removed) return;
            auto listeners = weak.lock();
            if (!listeners) return;
            std::vector<RemovalListener> targets;
            {
                std::lock_guard lock(listeners->mutex);
                for (const auto& [id, listener] : listeners->byId) targets.push_back(listener);
            }
            DeviceChangeNotification notification;
            notification.deviceName = link;
            for (const auto& listener : targets) listener(notification);
        }));
    }
}

SimDeviceEnumerator::~SimDeviceEnumerator() {
    for (std::size_t i = 0; i < cameras_.size(); ++i) cameras_[i]->RemovePresenceListener(cameraListenerIds_[i]);
}

std::vector<std::shared_ptr<ICameraDevice>> SimDeviceEnumerator::EnumerateVideoCaptureDevices() {
    if (std::exchange(failNext_, false)) throw std::runtime_error("Simulated device enumeration failure.");
    std::vector<std::shared_ptr<ICameraDevice>> devices;
    for (const auto& camera : cameras_) {
        if (camera->IsPresent()) devices.push_back(std::make_shared<SimCameraDevice>(camera));
    }
    return devices;
}

int SimDeviceEnumerator::SubscribeRemovals(RemovalListener listener) {
    std::lock_guard lock(listeners_->mutex);
    const int id = listeners_->nextId++;
    listeners_->byId.emplace(id, std::move(listener));
    return id;
}

void SimDeviceEnumerator::UnsubscribeRemovals(int id) {
    std::lock_guard lock(listeners_->mutex);
    listeners_->byId.erase(id);
}

}  // namespace orva
