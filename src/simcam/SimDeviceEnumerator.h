#pragma once
// The platform's device list for simulated cameras: lists the cameras that are on the
// bus now and forwards their removals as device-interface notifications named by the
// camera's symbolic link.
//
// Threads: enumeration and subscription from the GUI thread; removal listeners are
// called on the thread that took the camera off the bus.

#include "camera/ICameraDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace orva {

class SimDeviceEnumerator final : public ICameraDeviceEnumerator {
public:
    explicit SimDeviceEnumerator(std::vector<std::shared_ptr<SimulatedCamera>> cameras);
    ~SimDeviceEnumerator() override;
    SimDeviceEnumerator(const SimDeviceEnumerator&) = delete;
    SimDeviceEnumerator& operator=(const SimDeviceEnumerator&) = delete;

    std::vector<std::shared_ptr<ICameraDevice>> EnumerateVideoCaptureDevices() override;
    int SubscribeRemovals(RemovalListener listener) override;
    void UnsubscribeRemovals(int id) override;

    // Makes the next enumeration throw (the platform's enumeration failing).
    void FailNextEnumeration() { failNext_ = true; }

private:
    struct Listeners {
        std::mutex mutex;
        int nextId = 1;
        std::map<int, RemovalListener> byId;
    };

    std::vector<std::shared_ptr<SimulatedCamera>> cameras_;
    std::vector<int> cameraListenerIds_;
    std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
    bool failNext_ = false;
};

}  // namespace orva
