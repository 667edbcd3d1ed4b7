#include "display/HistogramControlModel.h"
#include "display/LiveViewTarget.h"

#include "processing/ThreadSafeDoubleBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace orva {
namespace {

class LiveView : public ::testing::Test {
protected:
    DisplayFrame FrameOf(const std::vector<uint16_t>& pixels, int width, int height) {
        DisplayFrame frame;
        frame.pixels = pixels.data();
        frame.width = width;
        frame.height = height;
        frame.overlay = &overlay;
        frame.status = &status;
        return frame;
    }

    ThreadSafeDoubleBuffer histogram;
    LookupTableSlot slot;
    HistogramControlModel control{slot};
    LiveViewTarget target{histogram, slot};
    BinaryOverlay overlay;
    CameraStatus status{.overlayMode = 2};
};

TEST_F(LiveView, HandsEachComposedPictureAndHistogramOnce) {
    std::vector<uint16_t> pixels(64 * 48, 2000);
    control.SetLevels(1000, 3000);
    EXPECT_FALSE(target.TakePicture());
    target.SetProfileCentre(10, 20);
    overlay.FrameNr = 77;
    target.PrepareDisplay(FrameOf(pixels, 64, 48));
    ASSERT_TRUE(target.TakePicture());
    EXPECT_FALSE(target.TakePicture());
    const DisplayPicture& picture = target.Picture();
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(picture.height, 48);
    EXPECT_EQ(picture.pixels[20 * 64 + 10] & 0xFF, 127u);
    EXPECT_TRUE(picture.profile.captured);
    EXPECT_NE(picture.textLine.find(" - 77 - "), std::string::npos) << picture.textLine;
    EXPECT_EQ(picture.sequence, 1u);
    EXPECT_TRUE(control.FetchHistogram(histogram));
    EXPECT_EQ(control.Bins()[2000 >> 6], static_cast<uint64_t>(64 * (48 - 17 - 16)));
}

TEST_F(LiveView, RejectsPicturesBeyondTheLimits) {
    std::vector<uint16_t> pixels(4, 0);
    target.PrepareDisplay(FrameOf(pixels, 0, 4));
    target.PrepareDisplay(FrameOf(pixels, LiveViewTarget::kMaxWidth + 1, 1));
    EXPECT_FALSE(target.TakePicture());
}

TEST_F(LiveView, ZonesReachTheFrameAsASnapshot) {
    std::vector<uint16_t> pixels(128 * 96, 32768);
    ZoneMatrix zones;
    zones.Enable(true);
    zones.ToggleBlock(0, 0);
    target.SetZones(zones.Snapshot());
    zones.ToggleBlock(0, 0);  // not handed over: the frame still sees the block selected
    target.PrepareDisplay(FrameOf(pixels, 128, 96));
    ASSERT_TRUE(target.TakePicture());
    const uint32_t inside = target.Picture().pixels[10 * 128 + 10];
    const uint32_t outside = target.Picture().pixels[10 * 128 + 100];
    EXPECT_EQ(inside >> 16 & 0xFF, inside & 0xFF);    // selected block: grey
    EXPECT_GT(outside >> 16 & 0xFF, outside & 0xFF);  // unselected block: red
}

// The frame path composes while the GUI thread takes pictures, changes the stretch and
// toggles zones: every picture it takes is whole (one value throughout).
TEST_F(LiveView, FramePathAndGuiThreadShareNothingUnguarded) {
    constexpr int kW = 96, kH = 64;
    std::atomic<bool> stop{false};
    std::thread framePath([&] {
        std::vector<uint16_t> pixels(kW * kH);
        for (uint16_t v = 0; !stop; v = static_cast<uint16_t>(v + 997)) {
            std::fill(pixels.begin(), pixels.end(), v);
            target.PrepareDisplay(FrameOf(pixels, kW, kH));
        }
    });
    ZoneMatrix zones;
    int taken = 0;
    for (int i = 0; i < 300; ++i) {
        control.SetLevels(i * 10, 65535 - i * 10);
        if (i % 50 == 0) {
            zones.Enable(!zones.IsEnabled());
            target.SetZones(zones.Snapshot());
        }
        target.SetProfileCentre(i % kW, i % kH);
        if (!target.TakePicture()) {
            std::this_thread::yield();
            continue;
        }
        ++taken;
        const auto& p = target.Picture();
        ASSERT_EQ(p.pixels.size(), static_cast<std::size_t>(kW * kH));
        // The record rows come straight from the pixel: all equal in one picture.
        EXPECT_EQ(p.pixels[(kH - 1) * kW], p.pixels[kH * kW - 1]);
        control.FetchHistogram(histogram);
    }
    stop = true;
    framePath.join();
    EXPECT_GE(taken, 0);
}

}  // namespace
}  // namespace orva
