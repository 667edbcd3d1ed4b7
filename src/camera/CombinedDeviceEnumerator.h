#pragma once
// Several device layers as one: the simulated camera beside the cameras of the platform.
// The list is each layer's devices in turn (a layer that cannot list is logged and left
// out; only when every layer fails does the listing fail); a removal from any layer
// reaches the listeners.
//
// Threads: as ICameraDeviceEnumerator. The layers must outlive it.

#include "camera/ICameraDeviceEnumerator.h"

#include <map>
#include <mutex>
#include <vector>

namespace orva {

class CombinedDeviceEnumerator final : public ICameraDeviceEnumerator {
public:
    explicit CombinedDeviceEnumerator(std::vector<ICameraDeviceEnumerator*> layers) : layers_(std::move(layers)) {}
    ~CombinedDeviceEnumerator() override;
    CombinedDeviceEnumerator(const CombinedDeviceEnumerator&) = delete;
    CombinedDeviceEnumerator& operator=(const CombinedDeviceEnumerator&) = delete;

    std::vector<std::shared_ptr<ICameraDevice>> EnumerateVideoCaptureDevices() override;
    int SubscribeRemovals(RemovalListener listener) override;
    void UnsubscribeRemovals(int id) override;

private:
    std::vector<ICameraDeviceEnumerator*> layers_;
    std::mutex mutex_;
    int lastId_ = 0;
    // Our id -> the layers' ids, in layer order.
    std::map<int, std::vector<int>> subscriptions_;
};

}  // namespace orva
