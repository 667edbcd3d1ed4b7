#include "processing/GuidingService.h"

namespace orva {

void GuidingService::SetTarget(int32_t x, int32_t y) {
    target_.store(static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32 | static_cast<uint32_t>(y),
                  std::memory_order_release);
}

std::pair<int32_t, int32_t> GuidingService::Target() const {
    const uint64_t packed = target_.load(std::memory_order_acquire);
    return {static_cast<int32_t>(static_cast<uint32_t>(packed >> 32)), static_cast<int32_t>(static_cast<uint32_t>(packed))};
}

void GuidingService::SetCentroid(double x, double y) {
    std::lock_guard lock(centroidMutex_);
    centroidX_ = x;
    centroidY_ = y;
}

std::pair<double, double> GuidingService::Centroid() const {
    std::lock_guard lock(centroidMutex_);
    return {centroidX_, centroidY_};
}

}  // namespace orva
