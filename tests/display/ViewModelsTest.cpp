#include "display/ProfileAverager.h"
#include "display/ViewGeometry.h"
#include "display/ViewTexts.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

TEST(ViewGeometry, AspectFitKeepsTheAspectAndCentres) {
    ViewGeometry g;
    g.SetMode(ViewGeometry::ZoomMode::AspectFit);
    g.SetViewSize(1000, 500);
    g.SetPictureSize(1920, 1200);
    const auto r = g.PictureRect();
    EXPECT_DOUBLE_EQ(r.height, 500);
    EXPECT_DOUBLE_EQ(r.width, 800);
    EXPECT_DOUBLE_EQ(r.x, 100);
    EXPECT_EQ(g.PixelAt(100, 0), std::make_pair(0, 0));
    EXPECT_EQ(g.PixelAt(899.9, 499.9), std::make_pair(1919, 1199));
    EXPECT_FALSE(g.PixelAt(99, 10));
    EXPECT_FALSE(g.PixelAt(900, 10));
}

TEST(ViewGeometry, ScaleToFitStretchesThePictureOverTheWholeView) {
    ViewGeometry g;
    g.SetMode(ViewGeometry::ZoomMode::ScaleToFit);
    g.SetViewSize(1000, 500);
    g.SetPictureSize(1920, 1200);
    const auto r = g.PictureRect();
    EXPECT_DOUBLE_EQ(r.x, 0);
    EXPECT_DOUBLE_EQ(r.width, 1000);
    EXPECT_DOUBLE_EQ(r.height, 500);
    EXPECT_EQ(g.PixelAt(0, 0), std::make_pair(0, 0));
    EXPECT_EQ(g.PixelAt(999.9, 499.9), std::make_pair(1919, 1199));
    // The zoom toggle leaves the stretched view for the zoomed one, and returns to the fitted one.
    g.ToggleZoomMode();
    EXPECT_EQ(g.Mode(), ViewGeometry::ZoomMode::AspectScale);
    g.ToggleZoomMode();
    EXPECT_EQ(g.Mode(), ViewGeometry::ZoomMode::AspectFit);
}

TEST(ViewGeometry, AspectScaleZoomsAndPansWithinLimits) {
    ViewGeometry g;
    g.SetViewSize(400, 300);
    g.SetPictureSize(800, 600);
    g.ToggleZoomMode();
    EXPECT_EQ(g.Mode(), ViewGeometry::ZoomMode::AspectScale);
    g.SetZoomPercent(100);
    EXPECT_DOUBLE_EQ(g.PictureRect().x, -200);
    EXPECT_EQ(g.PixelAt(200, 150), std::make_pair(400, 300));
    g.Pan(1000, 1000);  // held at the picture's edge
    EXPECT_DOUBLE_EQ(g.PictureRect().x, 0);
    EXPECT_DOUBLE_EQ(g.PictureRect().y, 0);
    g.SetZoomPercent(5000);
    EXPECT_EQ(g.ZoomPercent(), ViewGeometry::kMaxZoom);
    g.SetZoomPercent(0);
    EXPECT_EQ(g.ZoomPercent(), ViewGeometry::kMinZoom);
    g.ToggleZoomMode();
    g.Pan(50, 50);  // no panning when fitted
    EXPECT_DOUBLE_EQ(g.PictureRect().y, 0);
}

TEST(ViewGeometry, NoPictureNoPixel) {
    ViewGeometry g;
    g.SetViewSize(0, 0);
    g.SetPictureSize(640, 480);
    EXPECT_FALSE(g.PixelAt(0, 0));
    EXPECT_FALSE(g.ViewPointOf(0, 0));
}

// Picture places map to the view and back to the same pixel, fitted and zoomed.
TEST(ViewGeometry, ViewPointOfAPixelLiesOverThatPixel) {
    ViewGeometry g;
    g.SetViewSize(1000, 500);
    g.SetPictureSize(1920, 1200);
    for (int zoomed = 0; zoomed < 2; ++zoomed) {
        SCOPED_TRACE(zoomed ? "aspect scale, panned" : "scale to fit");
        const auto r = g.PictureRect();
        const auto corner = g.ViewPointOf(0, 0);
        ASSERT_TRUE(corner);
        EXPECT_DOUBLE_EQ(corner->x, r.x);
        EXPECT_DOUBLE_EQ(corner->y, r.y);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{123, 456}, std::pair{1919, 1199}}) {
            const auto at = g.ViewPointOf(x + 0.5, y + 0.5);
            ASSERT_TRUE(at);
            if (zoomed && !g.PixelAt(at->x, at->y)) continue;  // panned out of the view
            EXPECT_EQ(g.PixelAt(at->x, at->y), std::make_pair(x, y));
        }
        g.ToggleZoomMode();
        g.SetZoomPercent(250);
        g.Pan(-300, 120);
    }
}

TEST(ViewTexts, DirectionTakesTheShortWayRoundTwentyFourHours) {
    const struct {
        double ra, dec, targetRa, targetDec;
        const char* expected;
    } cases[] = {
        {10.0, 20.0, 10.1, 20.5, "Dir 30.0' N, 90.0' E"},
        {10.0, 20.0, 9.9, 19.5, "Dir 30.0' S, 90.0' W"},
        {23.9, 0.0, 0.1, 0.0, "Dir 0.0' N, 180.0' E"},
        {0.1, 0.0, 23.9, 0.0, "Dir 0.0' N, 180.0' W"},
    };
    for (const auto& c : cases) EXPECT_EQ(ViewTexts::DirectionText(c.ra, c.dec, c.targetRa, c.targetDec), c.expected);
    EXPECT_DOUBLE_EQ(ViewTexts::RaOffsetHours(0, 12), -12.0);
    EXPECT_NEAR(ViewTexts::RaOffsetHours(1, 48.5), -0.5, 1e-9);
}

TEST(ViewTexts, MissedFramesOnePerLineUnsigned) {
    EXPECT_EQ(ViewTexts::MissedFramesText({5, 7, -1}), "5\r\n7\r\n4294967295\r\n");
    EXPECT_EQ(ViewTexts::MissedFramesText({}), "");
}

TEST(ProfileAverager, ShowsTheMeanOfTenCaptures) {
    ProfileAverager averager;
    LineProfile p;
    p.captured = true;
    for (int i = 0; i < 9; ++i) {
        p.values.fill(static_cast<uint16_t>(i * 10));
        EXPECT_FALSE(averager.Add(p));
    }
    EXPECT_FALSE(averager.HasValues());
    LineProfile empty;
    EXPECT_FALSE(averager.Add(empty));  // nothing captured: not counted
    p.values.fill(90);
    p.values[3] = 1090;
    EXPECT_TRUE(averager.Add(p));
    EXPECT_EQ(averager.Values()[0], 45);
    EXPECT_EQ(averager.Values()[3], 145);
    EXPECT_EQ(averager.Minimum(), 45);
    EXPECT_EQ(averager.Maximum(), 145);
}

}  // namespace
}  // namespace orva
