#pragma once
// The station's guiding record: the guiding dialog, the live view, the telescope
// dialog and the frame processor share the target, the measured centroid and the pending
// correction steps through it.
//
// Threads: every field is shared without a lock between the GUI thread and the frame
// path's thread, so each is atomic. The target (column and row) and the centroid
// (column and row) are each read and written as one pair.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>

namespace orva {

class GuidingService {
public:
    static constexpr int32_t kDefaultRadius = 32;


    GuidingService() = default;
    virtual ~GuidingService() = default;
    GuidingService(const GuidingService&) = delete;
    GuidingService& operator=(const GuidingService&) = delete;

    std::atomic<bool> active{false};
    std::atomic<bool> selecting{false};
    // Half the side of the tracking box, pixels.
    std::atomic<int32_t> radius{kDefaultRadius};
    // 1: the picture's vertical direction is the declination axis.
    std::atomic<int32_t> upIsDeclination{1};
    std::atomic<int32_t> upDirection{1};
    std::atomic<int32_t> rightDirection{1};
    // Pending corrections: +1, -1 or 0.
    std::atomic<int32_t> declinationSteps{0};
    std::atomic<int32_t> rightAscensionSteps{0};

    // Target column and row in the picture; (0, 0) means none.
    void SetTarget(int32_t x, int32_t y);
    std::pair<int32_t, int32_t> Target() const;

    // Star centroid relative to the box's top-left corner (column, row).
    void SetCentroid(double x, double y);
    std::pair<double, double> Centroid() const;

private:
    std::atomic<uint64_t> target_{0};  // column in the high half, row in the low half
    mutable std::mutex centroidMutex_;
    double centroidX_ = 0.0;
    double centroidY_ = 0.0;
};

}  // namespace orva
