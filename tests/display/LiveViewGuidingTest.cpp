// Choosing the guiding star on the live view and drawing the guiding box: the click
// snaps to the star round it in the frame's calibrated pixels, ends the choice and lets
// guiding start; a click too near an edge or outside a choice leaves the record alone.
#include "display/LiveViewGuiding.h"
#include "display/LiveViewTarget.h"

#include "processing/GuidingService.h"
#include "processing/ThreadSafeDoubleBuffer.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace orva {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// A flat sky of 2000 with one star of peak 3000 at (star column, star row).
DisplayPicture PictureWithStar(int column, int row, bool withRaw = true) {
    DisplayPicture p;
    p.width = kWidth;
    p.height = kHeight;
    p.pixels.assign(kWidth * kHeight, 0);
    if (!withRaw) return p;
    p.raw.assign(kWidth * kHeight, 2000);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double d2 = (x - column) * (x - column) + (y - row) * (y - row);
            p.raw[y * kWidth + x] = static_cast<uint16_t>(2000 + (y * 7 + x * 3) % 5 + 3000 * std::exp(-d2 / 2.25));
        }
    }
    return p;
}

class LiveViewGuidingTest : public ::testing::Test {
protected:
    void SetUp() override {
        guiding.radius = 24;
        geometry.SetViewSize(kWidth * 2, kHeight * 2);
        geometry.SetPictureSize(kWidth, kHeight);
    }

    GuidingService guiding;
    LiveViewGuiding view{guiding};
    ViewGeometry geometry;
};

TEST_F(LiveViewGuidingTest, AClickWhileSelectingChoosesTheStarRoundIt) {
    const struct {
        const char* name;
        DisplayPicture picture;
        int column, row;
        std::pair<int, int> target;
    } cases[] = {
        {"snaps to the star beside the click", PictureWithStar(150, 100), 160, 90, {150, 100}},
        {"on the star", PictureWithStar(150, 100), 150, 100, {150, 100}},
        {"no star in the box: the click itself", PictureWithStar(150, 100), 250, 200, {250, 200}},
        {"no raw pixels: the click itself", PictureWithStar(150, 100, false), 160, 90, {160, 90}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        guiding.SetTarget(0, 0);
        guiding.selecting = true;
        EXPECT_TRUE(view.Selecting());
        EXPECT_TRUE(view.OnClick(c.picture, c.column, c.row));
        EXPECT_EQ(guiding.Target(), c.target);
        EXPECT_FALSE(guiding.selecting.load());
        EXPECT_FALSE(view.Selecting());
        EXPECT_TRUE(log.Contains("I Guiding target selected " + std::to_string(c.target.first) + " " +
                                 std::to_string(c.target.second)));
    }
}

TEST_F(LiveViewGuidingTest, AClickNearAnEdgeOrNotSelectingChangesNothing) {
    const DisplayPicture picture = PictureWithStar(150, 100);
    guiding.SetTarget(77, 88);
    // Not selecting: the click is the view's own (drag, zones).
    EXPECT_FALSE(view.OnClick(picture, 150, 100));
    EXPECT_EQ(guiding.Target(), std::make_pair(77, 88));
    guiding.selecting = true;
    // The box of radius 24 must fit: a click at most 24 pixels from an edge is not taken.
    for (const auto& [x, y] : {std::pair{24, 100}, std::pair{150, 24}, std::pair{kWidth - 25, 100},
                                std::pair{150, kHeight - 25}}) {
        SCOPED_TRACE(std::to_string(x) + " " + std::to_string(y));
        EXPECT_FALSE(view.OnClick(picture, x, y));
        EXPECT_TRUE(guiding.selecting.load());
        EXPECT_EQ(guiding.Target(), std::make_pair(77, 88));
    }
    EXPECT_TRUE(view.OnClick(picture, 25, 25));
}

TEST_F(LiveViewGuidingTest, TheBoxAndCentroidLieOverTheTargetInViewCoordinates) {
    EXPECT_FALSE(view.Shape(geometry)) << "no target, nothing drawn";
    guiding.SetTarget(100, 80);
    auto shape = view.Shape(geometry);
    ASSERT_TRUE(shape);
    // The picture is shown at twice its size from the view's corner.
    EXPECT_DOUBLE_EQ(shape->box.x, 2 * (100 - 24));
    EXPECT_DOUBLE_EQ(shape->box.y, 2 * (80 - 24));
    EXPECT_DOUBLE_EQ(shape->box.width, 2 * 48);
    EXPECT_DOUBLE_EQ(shape->box.height, 2 * 48);
    EXPECT_FALSE(shape->centroid) << "not measured yet";
    EXPECT_FALSE(shape->active);

    // The star 3 pixels right of and 2 above the target: the centroid reads (27, 22).
    guiding.SetCentroid(27.0, 22.0);
    guiding.active = true;
    shape = view.Shape(geometry);
    ASSERT_TRUE(shape && shape->centroid);
    EXPECT_DOUBLE_EQ(shape->centroid->x, 2 * (103 + 0.5));
    EXPECT_DOUBLE_EQ(shape->centroid->y, 2 * (78 + 0.5));
    EXPECT_TRUE(shape->active);

    ViewGeometry none;
    EXPECT_FALSE(view.Shape(none)) << "no picture, nothing drawn";
}

// The calibrated pixels travel with the picture only while asked for.
TEST(LiveViewTargetRaw, ThePictureCarriesTheFramesPixelsOnlyWhileAskedFor) {
    ThreadSafeDoubleBuffer histogram;
    LookupTableSlot slot;
    slot.Publish(std::make_shared<DisplayStretch::LookupTable>());
    LiveViewTarget target{histogram, slot};
    BinaryOverlay overlay;
    CameraStatus status{.overlayMode = 2};
    std::vector<uint16_t> pixels(64 * 48);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 13);
    DisplayFrame frame;
    frame.pixels = pixels.data();
    frame.width = 64;
    frame.height = 48;
    frame.overlay = &overlay;
    frame.status = &status;

    target.PrepareDisplay(frame);
    ASSERT_TRUE(target.TakePicture());
    EXPECT_TRUE(target.Picture().raw.empty());
    target.SetKeepRawPixels(true);
    target.PrepareDisplay(frame);
    ASSERT_TRUE(target.TakePicture());
    EXPECT_EQ(target.Picture().raw, pixels);
    target.SetKeepRawPixels(false);
    for (int i = 0; i < 3; ++i) {  // through all three buffers
        target.PrepareDisplay(frame);
        ASSERT_TRUE(target.TakePicture());
        EXPECT_TRUE(target.Picture().raw.empty());
    }
}

}  // namespace
}  // namespace orva
