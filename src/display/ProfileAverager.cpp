#include "display/ProfileAverager.h"

#include <algorithm>

namespace orva {

bool ProfileAverager::Add(const LineProfile& profile) {
    if (!profile.captured) return false;
    for (std::size_t i = 0; i < sums_.size(); ++i) sums_[i] += profile.values[i];
    if (++count_ < kCaptures) return false;
    for (std::size_t i = 0; i < sums_.size(); ++i) values_[i] = static_cast<int>(sums_[i] / kCaptures);
    sums_.fill(0);
    count_ = 0;
    hasValues_ = true;
    return true;
}

int ProfileAverager::Minimum() const { return *std::min_element(values_.begin(), values_.end()); }

int ProfileAverager::Maximum() const { return *std::max_element(values_.begin(), values_.end()); }

}  // namespace orva
