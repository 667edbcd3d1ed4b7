// The telescope position shared with the frame path: the worker's own thread publishes a
// moving mount while this thread reads it as the ADV writer does and draws the catalogue
// sky that follows it. Run under ThreadSanitizer in CI.
#include "common/SharedTelescopeState.h"

#include "simcam/CatalogSkyRenderer.h"
#include "support/ManualClock.h"
#include "telescope/SimulatedMount.h"
#include "telescope/TelescopeWorker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

namespace orva {
namespace {

// Manual time whose pauses give the processor away, so the worker's thread does not
// crowd out the reader on a busy machine.
class YieldingClock final : public Clock {
public:
    TimePoint Now() const override { return clock_.Now(); }
    void SleepFor(Duration d) override {
        clock_.Advance(d);
        std::this_thread::yield();
    }

private:
    test::ManualClock clock_;
};

TEST(SharedTelescopeStateThreads, TheWorkerPublishesWhileTheFramePathReadsWholePositions) {
    // The mount is sent along the line where right ascension (as an angle) equals
    // declination, 0.001 degrees a slew: a position read half old, half new leaves it.
    constexpr double kStep = 0.001;
    constexpr double kTolerance = 1e-9;
    YieldingClock clock;
    SharedTelescopeState shared;
    test::SimulatedMountFactory mounts(clock);
    mounts.config.connected = true;
    mounts.config.tracking = true;
    TelescopeWorker worker(mounts, shared, clock, 0.00417);
    worker.SetDriver(test::SimulatedMountFactory::kProgramId, "");

    CatalogSkyRenderer sky(StarCatalog({{0.0, 0.0, 8.0}, {0.1, 0.1, 8.0}, {0.2, 0.2, 8.0}}), CatalogSkyConfig{},
                           SkyPointing{});
    sky.FollowTelescope(&shared);
    sky.Configure({160, 120, 0, 0, 160, 120, 1});
    std::vector<uint16_t> image(160 * 120);

    worker.PostCommand(TelescopeCommandKind::CreateDriver);
    worker.StartThread();
    int changes = 0;
    int frames = 0;
    int slews = 0;
    double last = 0.0;
    for (int i = 0; i < 20000000 && (changes < 20 || frames < 20); ++i) {
        std::this_thread::yield();
        if (i % 100 == 0) {
            ++slews;
            worker.PostCommand(TelescopeCommandKind::Slew, 0, slews * kStep / 15.0, slews * kStep);
        }
        const SharedTelescopeState::Position p = shared.Read();
        if (p.valid == 0) {
            ASSERT_EQ(p, SharedTelescopeState::Position{});
            continue;
        }
        ASSERT_NEAR(p.rightAscensionHours * 15.0, p.declinationDegrees, kTolerance);
        if (p.declinationDegrees != last) ++changes;
        last = p.declinationDegrees;
        if (i % 500 == 0) {
            sky.Render({frames++, 0, 40.0, 1.0, false}, image);
            const SkyPointing drawn = sky.CurrentPointing();
            ASSERT_NEAR(drawn.rightAscensionDeg, drawn.declinationDeg, kTolerance);
        }
    }
    worker.Stop();
    EXPECT_GE(changes, 20);
    EXPECT_GE(frames, 20);
}

}  // namespace
}  // namespace orva
