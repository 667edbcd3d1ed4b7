#include "display/CHistogramDragger.h"

#include <algorithm>
#include <cstdint>

namespace orva {

void CHistogramDragger::SetTrack(int x0, int y0, int x1, int y1) {
    x0_ = x0;
    y0_ = y0;
    x1_ = x1;
    y1_ = y1;
}

void CHistogramDragger::SetValue(int value) { value_ = std::clamp(value, minimum_, std::max(minimum_, maximum_)); }

void CHistogramDragger::SetMinimum(int minimum) {
    minimum_ = minimum;
    SetValue(value_);
}

void CHistogramDragger::SetMaximum(int maximum) {
    maximum_ = maximum;
    SetValue(value_);
}

int CHistogramDragger::LevelAt(int x, int y) const {
    const int64_t span = orientation_ == Orientation::Horizontal ? x1_ - x0_ : y1_ - y0_;
    if (span <= 0) return value_;
    const int64_t offset = orientation_ == Orientation::Horizontal ? x - x0_ : y1_ - y;
    const int64_t level = offset * 65535 / span;
    return static_cast<int>(std::clamp<int64_t>(level, minimum_, std::max(minimum_, maximum_)));
}

int CHistogramDragger::Position() const {
    if (orientation_ == Orientation::Horizontal) return x0_ + static_cast<int>(int64_t{value_} * (x1_ - x0_) / 65535);
    return y1_ - static_cast<int>(int64_t{value_} * (y1_ - y0_) / 65535);
}

CHistogramDragger::Rect CHistogramDragger::HandleRect() const {
    const int p = Position();
    if (orientation_ == Orientation::Horizontal) return {p - handleWidth_ / 2, y1_, handleWidth_, handleHeight_};
    return {x1_, p - handleHeight_ / 2, handleWidth_, handleHeight_};
}

}  // namespace orva
