#include "display/ZoneMatrix.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using Blocks = std::vector<std::pair<int, int>>;  // column, row

std::vector<ZoneRectangle> RectanglesOf(const Blocks& blocks) {
    ZoneMatrix zones;
    zones.Enable(true);
    for (const auto& [c, r] : blocks) zones.ToggleBlock(c, r);
    return zones.Rectangles();
}

TEST(ZoneMatrix, MergesRunsOfEqualExtentInConsecutiveRows) {
    const struct {
        Blocks blocks;
        std::vector<ZoneRectangle> expected;
    } cases[] = {
        {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {{0, 0, 128, 128}}},
        {{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 1}}, {{0, 0, 128, 128}, {128, 64, 64, 64}}},
        {{{5, 3}}, {{320, 192, 64, 64}}},
        {{{0, 0}, {2, 0}}, {{0, 0, 64, 64}, {128, 0, 64, 64}}},
        {{{63, 63}}, {{4032, 4032, 64, 64}}},
        {{{0, 0}, {0, 0}}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(RectanglesOf(c.blocks), c.expected);
}

TEST(ZoneMatrix, DisabledZonesHandOutNothing) {
    ZoneMatrix zones;
    zones.ToggleBlock(1, 1);
    EXPECT_TRUE(zones.Rectangles().empty());
    EXPECT_EQ(zones.Snapshot(), nullptr);
    zones.Enable(true);
    EXPECT_EQ(zones.Rectangles().size(), 1u);
    ASSERT_NE(zones.Snapshot(), nullptr);
    EXPECT_TRUE(zones.Snapshot()->IsSelected(1, 1));
}

TEST(ZoneMatrix, SnapshotIsACopyThatLaterTogglesLeaveAlone) {
    ZoneMatrix zones;
    zones.Enable(true);
    zones.ToggleAt(70, 10);
    const auto snapshot = zones.Snapshot();
    zones.ToggleAt(70, 10);
    zones.Clear();
    EXPECT_TRUE(snapshot->IsSelected(1, 0));
    EXPECT_FALSE(zones.Blocks().IsSelected(1, 0));
    EXPECT_TRUE(zones.Rectangles().empty());
    EXPECT_FALSE(zones.ToggleAt(-1, 5));
    EXPECT_FALSE(zones.ToggleAt(64 * 64, 5));
}

TEST(ZoneMatrix, LogsSwitchesAndTheSavedList) {
    test::LogCapture log;
    ZoneMatrix zones;
    zones.Enable(true);
    zones.SetEditing(true);
    zones.ToggleBlock(0, 0);
    zones.ToggleBlock(2, 1);
    zones.SetEditing(false);
    zones.SetEditing(false);  // already off: nothing more
    zones.Enable(false);
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{"I zones enabled", "I new zone list saved",
                                                        "I zone 1: (0,0), w=64, h=64", "I zone 2: (128,64), w=64, h=64",
                                                        "I zones disabled"}));
}

}  // namespace
}  // namespace orva
