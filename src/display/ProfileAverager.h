#pragma once
// The line profile as the profile graph shows it: the average of 10 successive
// captures, with its minimum and maximum.
//
// GUI thread only.

#include "display/DisplayComposer.h"

#include <array>
#include <cstdint>

namespace orva {

class ProfileAverager {
public:
    static constexpr int kCaptures = 10;

    // Adds a capture; true when it completed an average (the shown values changed).
    bool Add(const LineProfile& profile);
    bool HasValues() const { return hasValues_; }
    const std::array<int, LineProfile::kLength>& Values() const { return values_; }
    int Minimum() const;
    int Maximum() const;

private:
    std::array<uint64_t, LineProfile::kLength> sums_{};
    int count_ = 0;
    std::array<int, LineProfile::kLength> values_{};
    bool hasValues_ = false;
};

}  // namespace orva
