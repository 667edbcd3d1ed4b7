// Picking the guiding target: the brightest star of a noisy picture, not a hot pixel,
// not a star whose box would leave the picture, and nothing when no star stands out.
#include "processing/BrightestStar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace orva {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kRadius = 32;

struct Star {
    int column, row;
    double peak;
};

// A background of 2000 with noise of about 40 counts, stars of FWHM 2.5 px and hot pixels.
std::vector<uint16_t> Picture(const std::vector<Star>& stars, const std::vector<Star>& hotPixels = {}) {
    std::vector<uint16_t> image(kWidth * kHeight);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(2000.0, 40.0);
    const double sigma = 2.5 / 2.3548;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            double v = noise(random);
            for (const Star& s : stars) {
                const double d2 = (x - s.column) * (x - s.column) + (y - s.row) * (y - s.row);
                v += s.peak * std::exp(-d2 / (2 * sigma * sigma));
            }
            image[y * kWidth + x] = static_cast<uint16_t>(std::clamp(v, 0.0, 65535.0));
        }
    }
    for (const Star& h : hotPixels) image[h.row * kWidth + h.column] = static_cast<uint16_t>(h.peak);
    return image;
}

TEST(BrightestStarTest, FindsTheBrightestStarWhoseBoxFitsThePicture) {
    const struct {
        const char* name;
        std::vector<Star> stars;
        std::vector<Star> hotPixels;
        std::optional<StarPosition> found;
    } cases[] = {
        {"one star", {{150, 100, 3000}}, {}, StarPosition{150, 100}},
        {"the brighter of two", {{80, 60, 1500}, {200, 150, 6000}}, {}, StarPosition{200, 150}},
        {"a hot pixel is no star", {{100, 120, 2000}}, {{250, 50, 65000}}, StarPosition{100, 120}},
        {"a brighter star too near the edge", {{20, 100, 20000}, {160, 120, 2000}}, {}, StarPosition{160, 120}},
        {"only near the bottom edge", {{160, kHeight - 10, 20000}}, {}, std::nullopt},
        {"just inside", {{kRadius + 1, kHeight - kRadius - 2, 3000}}, {}, StarPosition{kRadius + 1, kHeight - kRadius - 2}},
        {"only noise", {}, {}, std::nullopt},
        {"only hot pixels", {}, {{100, 100, 65000}, {101, 180, 30000}}, std::nullopt},
        {"a star lost in the noise", {{150, 100, 60}}, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint16_t> image = Picture(c.stars, c.hotPixels);
        EXPECT_EQ(BrightestStar::Find(image.data(), kWidth, kHeight, kRadius), c.found);
    }
}

TEST(BrightestStarTest, APictureTooSmallForTheBoxHasNoTarget) {
    const std::vector<uint16_t> image = Picture({{40, 40, 5000}});
    EXPECT_EQ(BrightestStar::Find(image.data(), kWidth, kHeight, 200), std::nullopt);
    EXPECT_EQ(BrightestStar::Find(image.data(), kWidth, kHeight, 0), std::nullopt);
    EXPECT_EQ(BrightestStar::Find(nullptr, kWidth, kHeight, kRadius), std::nullopt);
    // The box of radius 16 fits round (40, 40).
    EXPECT_EQ(BrightestStar::Find(image.data(), kWidth, kHeight, 16), (StarPosition{40, 40}));
}

// A click chooses among the stars: the brightest within the box round it, not the
// brightest of the picture; nothing when no star stands out there.
TEST(BrightestStarTest, NearAClickFindsTheStarInTheBoxRoundIt) {
    const std::vector<uint16_t> image = Picture({{80, 60, 1500}, {200, 150, 6000}, {20, 100, 20000}});
    const struct {
        const char* name;
        int column, row;
        std::optional<StarPosition> found;
    } cases[] = {
        {"on the dimmer star", 80, 60, StarPosition{80, 60}},
        {"beside the dimmer star", 100, 80, StarPosition{80, 60}},
        {"beside the brighter star", 180, 170, StarPosition{200, 150}},
        {"out of reach", 80 + kRadius + 6, 60, std::nullopt},
        {"empty sky", 150, 200, std::nullopt},
        {"a star whose box leaves the picture", 30, 100, std::nullopt},
        {"outside the picture", -100, -100, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BrightestStar::FindNear(image.data(), kWidth, kHeight, kRadius, c.column, c.row), c.found);
    }
    EXPECT_EQ(BrightestStar::FindNear(nullptr, kWidth, kHeight, kRadius, 80, 60), std::nullopt);
}

}  // namespace
}  // namespace orva
