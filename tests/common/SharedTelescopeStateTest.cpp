#include "common/SharedTelescopeState.h"

#include <gtest/gtest.h>

#include <thread>

namespace orva {
namespace {

TEST(SharedTelescopeState, StartsInvalidAndResets) {
    SharedTelescopeState state;
    EXPECT_EQ(state.Read(), SharedTelescopeState::Position{});
    state.Write({1, 5.5, -20.25});
    EXPECT_EQ(state.Read(), (SharedTelescopeState::Position{1, 5.5, -20.25}));
    state.Reset();
    EXPECT_EQ(state.Read(), SharedTelescopeState::Position{});
}

// The worker writes while a reader takes positions: every read is one whole write.
TEST(SharedTelescopeState, ReadsNeverMixTwoWrites) {
    SharedTelescopeState state;
    constexpr int kWrites = 20000;
    std::thread worker([&] {
        for (int i = 1; i <= kWrites; ++i) state.Write({1, i * 0.001, -i * 0.002});
    });
    int mixed = 0;
    for (int n = 0; n < kWrites; ++n) {
        const SharedTelescopeState::Position p = state.Read();
        if (p.declinationDegrees != -2.0 * p.rightAscensionHours) ++mixed;
    }
    worker.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(state.Read().rightAscensionHours, kWrites * 0.001);
}

}  // namespace
}  // namespace orva
