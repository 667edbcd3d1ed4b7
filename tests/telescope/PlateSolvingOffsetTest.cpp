#include "telescope/PlateSolvingOffset.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orva {
namespace {

PlateSolution Solved(double raDeg, double decDeg) {
    PlateSolution s;
    s.coordinatesValid = true;
    s.rightAscensionDeg = raDeg;
    s.declinationDeg = decDeg;
    return s;
}

// Which way the arrow points on the picture: one of eight directions, rows downwards.
std::string Heading(const PlateSolvingArrow& a) {
    const double dx = a.endX - a.startX;
    const double dy = a.endY - a.startY;
    const double eps = 1e-6 * std::hypot(dx, dy);
    std::string h;
    if (dy < -eps) h += "up";
    if (dy > eps) h += "down";
    if (dx < -eps) h += "left";
    if (dx > eps) h += "right";
    return h;
}

TEST(PlateSolvingOffset, TextAndDirectionOnThePicture) {
    const struct Case {
        const char* name;
        double solvedRaDeg;
        double solvedDecDeg;
        double starRaHours;
        double starDecDeg;
        double orientation;  // < -999: no orientation
        int parity;
        bool mirrorX;
        const char* text;
        const char* heading;
    } cases[] = {
        {"north", 90.0, 20.0, 6.0, 20.5, -1000, 0, false, "Dir 30.0' N, 0.0' E", "up"},
        {"south", 90.0, 20.0, 6.0, 19.5, -1000, 0, false, "Dir 30.0' S, 0.0' E", "down"},
        {"east", 90.0, 20.0, 6.0 + 4.0 / 60.0, 20.0, -1000, 0, false, "Dir 0.0' N, 60.0' E", "left"},
        {"west", 90.0, 20.0, 6.0 - 4.0 / 60.0, 20.0, -1000, 0, false, "Dir 0.0' N, 60.0' W", "right"},
        {"south-west", 90.0, -30.0, 6.0 - 2.0 / 60.0, -30.25, -1000, 0, false, "Dir 15.0' S, 30.0' W", "downright"},
        // Across 0h / 24h the short way round.
        {"wrap east", 359.5, 0.0, 2.0 / 60.0, 0.0, -1000, 0, false, "Dir 0.0' N, 60.0' E", "left"},
        {"wrap west", 0.5, 0.0, 24.0 - 2.0 / 60.0, 0.0, -1000, 0, false, "Dir 0.0' N, 60.0' W", "right"},
        {"wrap, star at 0h", 359.75, 0.0, 0.0, 0.0, -1000, 0, false, "Dir 0.0' N, 15.0' E", "left"},
        // Up is 90 degrees east of north: north lies to the right.
        {"turned", 90.0, 20.0, 6.0, 20.5, 90.0, 0, false, "Dir 30.0' N, 0.0' E", "right"},
        {"upside down", 90.0, 20.0, 6.0, 20.5, 180.0, 0, false, "Dir 30.0' N, 0.0' E", "down"},
        // A mirrored solve has east on the right.
        {"mirrored solve", 90.0, 20.0, 6.0 + 4.0 / 60.0, 20.0, 0.0, 1, false, "Dir 0.0' N, 60.0' E", "right"},
        // The picture flipped left-right since the solve.
        {"flipped since", 90.0, 20.0, 6.0 + 4.0 / 60.0, 20.0, 0.0, 0, true, "Dir 0.0' N, 60.0' E", "right"},
        {"at the centre", 90.0, 20.0, 6.0, 20.0, -1000, 0, false, "Dir 0.0' N, 0.0' E", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlateSolution s = Solved(c.solvedRaDeg, c.solvedDecDeg);
        if (c.orientation > -999) {
            s.orientationValid = true;
            s.orientationDeg = c.orientation;
            s.parity = c.parity;
        }
        const auto arrow = PlateSolvingOffset::Compute(s, {"event", c.starRaHours, c.starDecDeg}, 1920, 1200,
                                                       c.mirrorX, false);
        ASSERT_TRUE(arrow);
        EXPECT_EQ(arrow->text, c.text);
        EXPECT_EQ(arrow->startX, 960.0);
        EXPECT_EQ(arrow->startY, 600.0);
        EXPECT_EQ(arrow->hasDirection, std::string(c.heading) != "");
        EXPECT_EQ(Heading(*arrow), c.heading);
    }
}

TEST(PlateSolvingOffset, LengthFollowsThePixelScaleUpToTheLongestArrow) {
    PlateSolution s = Solved(90.0, 0.0);
    // No pixel scale: the longest arrow, 40 % of the shorter side.
    auto arrow = PlateSolvingOffset::Compute(s, {"e", 6.0, 0.1}, 1920, 1200);
    ASSERT_TRUE(arrow);
    EXPECT_DOUBLE_EQ(arrow->startY - arrow->endY, 480.0);
    // 6' at 2"/pixel: 180 pixels, the star's own place.
    s.pixelScaleValid = true;
    s.pixelScaleArcsec = 2.0;
    arrow = PlateSolvingOffset::Compute(s, {"e", 6.0, 0.1}, 1920, 1200);
    EXPECT_NEAR(arrow->startY - arrow->endY, 180.0, 1e-9);
    EXPECT_NEAR(arrow->endX, 960.0, 1e-9);
    // 30' would be 900 pixels: the longest arrow.
    arrow = PlateSolvingOffset::Compute(s, {"e", 6.0, 0.5}, 1920, 1200);
    EXPECT_NEAR(arrow->startY - arrow->endY, 480.0, 1e-9);
}

TEST(PlateSolvingOffset, NothingWithoutASolutionOrAPicture) {
    PlateSolution unsolved;
    EXPECT_FALSE(PlateSolvingOffset::Compute(unsolved, {"e", 6.0, 0.0}, 640, 480));
    EXPECT_FALSE(PlateSolvingOffset::Compute(Solved(90.0, 0.0), {"e", 6.0, 0.0}, 0, 0));
    EXPECT_FALSE(PlateSolvingOffset::Compute(Solved(NAN, 0.0), {"e", 6.0, 0.0}, 640, 480));
    EXPECT_FALSE(PlateSolvingOffset::Compute(Solved(90.0, 0.0), {"e", INFINITY, 0.0}, 640, 480));
}

}  // namespace
}  // namespace orva
