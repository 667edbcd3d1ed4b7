#include "processing/GuidingCentroid.h"
#include "processing/GuidingService.h"

#include <gtest/gtest.h>

#include <vector>

namespace orva {
namespace {

struct Image {
    int width, height;
    std::vector<uint16_t> pixels;
    Image(int w, int h, uint16_t background) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, background) {}
    uint16_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

TEST(GuidingCentroidTest, SymmetricStarOnTheTargetReadsTheBoxCentreAfterTheThresholdSettles) {
    Image image(100, 80, 100);
    // A plus-shaped star centred on (40, 30): weights balance around that pixel.
    image.At(40, 30) = 5000;
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) image.At(40 + dx, 30 + dy) = 3000;
    GuidingCentroid centroid;
    // First frame: threshold 0, so the background pulls the centroid towards the box centre.
    ASSERT_TRUE(centroid.Measure(image.pixels.data(), 100, 80, 40, 30, 8).has_value());
    // box max 5000, mean (256*100 + 4900 + 4*2900) / 256 = 164 -> threshold 2582.
    EXPECT_EQ(centroid.Threshold(), (5000u + (256u * 100 + 4900 + 4 * 2900) / 256) / 2);
    const auto c = centroid.Measure(image.pixels.data(), 100, 80, 40, 30, 8);
    ASSERT_TRUE(c.has_value());
    EXPECT_DOUBLE_EQ(c->column, 8.0);
    EXPECT_DOUBLE_EQ(c->row, 8.0);
}

TEST(GuidingCentroidTest, OffsetStarAndWeightedPosition) {
    Image image(64, 64, 0);
    image.At(22, 13) = 1000;
    image.At(23, 13) = 3000;  // column centroid 22.75 - (20 - 4) = 6.75 in box coordinates
    GuidingCentroid centroid;
    const auto c = centroid.Measure(image.pixels.data(), 64, 64, 20, 12, 4);
    ASSERT_TRUE(c.has_value());
    EXPECT_DOUBLE_EQ(c->column, 6.75);
    EXPECT_DOUBLE_EQ(c->row, 5.0);
}

TEST(GuidingCentroidTest, BoxPastTheEdgeIsClippedAndKeepsBoxCoordinates) {
    Image image(50, 40, 0);
    image.At(0, 0) = 4000;
    GuidingCentroid centroid;
    // Box from (-6, -6) to (10, 10): the star at image (0, 0) is box (6, 6).
    const auto c = centroid.Measure(image.pixels.data(), 50, 40, 2, 2, 8);
    ASSERT_TRUE(c.has_value());
    EXPECT_DOUBLE_EQ(c->column, 8.0 - 2.0);
    EXPECT_DOUBLE_EQ(c->row, 6.0);
    // Mean over the 100 covered pixels, not 256.
    EXPECT_EQ(centroid.Threshold(), (4000u + 4000u / 100) / 2);
    // Bottom-right corner.
    Image corner(50, 40, 0);
    corner.At(49, 39) = 4000;
    const auto d = centroid.Measure(corner.pixels.data(), 50, 40, 48, 38, 8);
    ASSERT_TRUE(d.has_value());
    EXPECT_DOUBLE_EQ(d->column, 49.0 - 40.0);
    EXPECT_DOUBLE_EQ(d->row, 39.0 - 30.0);
}

TEST(GuidingCentroidTest, NothingWithoutTargetOutsideTheImageOrWhenTheStarIsGone) {
    Image image(50, 40, 10);
    GuidingCentroid centroid;
    EXPECT_FALSE(centroid.Measure(image.pixels.data(), 50, 40, 0, 10, 8));
    EXPECT_FALSE(centroid.Measure(image.pixels.data(), 50, 40, 10, 0, 8));
    EXPECT_FALSE(centroid.Measure(image.pixels.data(), 50, 40, 10, 10, 0));
    EXPECT_FALSE(centroid.Measure(image.pixels.data(), 50, 40, 500, 10, 8));
    image.At(10, 10) = 5000;
    ASSERT_TRUE(centroid.Measure(image.pixels.data(), 50, 40, 10, 10, 4));
    ASSERT_TRUE(centroid.Measure(image.pixels.data(), 50, 40, 10, 10, 4));
    // The star disappears: every pixel is below the threshold; no centroid, no NaN.
    image.At(10, 10) = 10;
    EXPECT_FALSE(centroid.Measure(image.pixels.data(), 50, 40, 10, 10, 4));
}

TEST(GuidingServiceTest, TargetAndCentroidTravelAsPairs) {
    GuidingService service;
    EXPECT_EQ(service.Target(), (std::pair<int32_t, int32_t>{0, 0}));
    service.SetTarget(-3, 70000);
    EXPECT_EQ(service.Target(), (std::pair<int32_t, int32_t>{-3, 70000}));
    service.SetCentroid(1.5, -2.25);
    EXPECT_EQ(service.Centroid(), (std::pair<double, double>{1.5, -2.25}));
    EXPECT_EQ(service.radius.load(), 32);
}

}  // namespace
}  // namespace orva
