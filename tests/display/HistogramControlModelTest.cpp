#include "display/HistogramControlModel.h"

#include "processing/ThreadSafeDoubleBuffer.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

class HistogramControl : public ::testing::Test {
protected:
    HistogramControl() { model.SetSize(4 + 1024 + 14, 200); }  // a track 0..1024 pixels from x = 4

    int XOf(int level) const {
        return model.GraphLeft() + static_cast<int>(int64_t{level} * (model.GraphRight() - model.GraphLeft()) / 65535);
    }
    int MidY() const { return (model.GraphTop() + model.GraphBottom()) / 2; }

    LookupTableSlot slot;
    HistogramControlModel model{slot};
};

TEST_F(HistogramControl, StartsLinearOverTheFullRangeAndPublishesTheTable) {
    EXPECT_EQ(model.Background().Value(), 0);
    EXPECT_EQ(model.White().Value(), 65535);
    EXPECT_EQ(model.Midtone().Value(), 32767);
    ASSERT_TRUE(slot.Current());
    EXPECT_EQ(&*slot.Current(), &model.Table());
    EXPECT_EQ(model.LevelsText(), "0 - 65535");
}

TEST_F(HistogramControl, ClicksSetBackgroundAndShiftOrRightClicksSetWhite) {
    EXPECT_TRUE(model.MousePress(XOf(16384), MidY(), HistogramControlModel::Button::Left, false));
    model.MouseRelease();
    EXPECT_NEAR(model.Background().Value(), 16384, 64);
    EXPECT_TRUE(model.MousePress(XOf(49152), MidY(), HistogramControlModel::Button::Right, false));
    model.MouseRelease();
    EXPECT_NEAR(model.White().Value(), 49152, 64);
    const auto before = slot.Current();
    const uint32_t oldValue = (*before)[45000];
    EXPECT_TRUE(model.MousePress(XOf(40000), MidY(), HistogramControlModel::Button::Left, true));
    EXPECT_NEAR(model.White().Value(), 40000, 64);
    // Each change publishes a new table; the one the frame path holds stays intact.
    EXPECT_NE(before, slot.Current());
    EXPECT_EQ((*before)[45000], oldValue);
    EXPECT_EQ((*slot.Current())[45000], 0xFFFFFFFFu);
}

TEST_F(HistogramControl, BackgroundAndWhiteNeverPass) {
    model.SetLevels(10000, 20000);
    model.MousePress(XOf(50000), MidY(), HistogramControlModel::Button::Left, false);
    EXPECT_EQ(model.Background().Value(), 20000);
    model.MousePress(XOf(1000), MidY(), HistogramControlModel::Button::Right, false);
    EXPECT_EQ(model.White().Value(), 20000);
}

TEST_F(HistogramControl, DraggingAHandleFollowsTheMouseUntilRelease) {
    model.SetLevels(0, 65535);
    const auto handle = model.White().HandleRect();
    EXPECT_FALSE(model.MousePress(handle.x + 1, handle.y + 1, HistogramControlModel::Button::Left, false));
    EXPECT_TRUE(model.White().IsDragging());
    EXPECT_TRUE(model.MouseMove(XOf(30000), 0));
    EXPECT_NEAR(model.White().Value(), 30000, 64);
    model.MouseRelease();
    EXPECT_FALSE(model.MouseMove(XOf(10000), 0));
    EXPECT_NEAR(model.White().Value(), 30000, 64);
}

TEST_F(HistogramControl, ZeroSizeControlNeverDividesByZero) {
    model.SetSize(0, 0);
    // Whether the press takes a handle or the graph, no level comes from a track of no length.
    model.MousePress(model.GraphLeft(), model.GraphTop(), HistogramControlModel::Button::Left, false);
    model.MouseMove(100, 100);
    model.MouseRelease();
    model.MousePress(model.GraphLeft(), model.GraphTop(), HistogramControlModel::Button::Right, false);
    EXPECT_EQ(model.Background().Value(), 0);
    EXPECT_EQ(model.White().Value(), 65535);
    const CHistogramDragger vertical(CHistogramDragger::Orientation::Vertical, 1234, 10, 10);
    EXPECT_EQ(vertical.LevelAt(5, 5), 1234);
    EXPECT_EQ(model.BarHeight(5, 0), 0);
}

TEST_F(HistogramControl, HistogramScaleAndTotalLeaveOutTheClippedBins) {
    uint64_t bins[1024] = {};
    bins[0] = 1000000;
    bins[1023] = 101;
    bins[10] = 50;
    bins[20] = 100;
    ThreadSafeDoubleBuffer buffer;
    std::copy(bins, bins + 1024, buffer.GetWriteBuffer());
    buffer.Swap();
    EXPECT_TRUE(model.FetchHistogram(buffer));
    EXPECT_FALSE(model.FetchHistogram(buffer));
    EXPECT_EQ(model.Total(), 150u);
    EXPECT_EQ(model.Largest(), 100u);
    EXPECT_EQ(model.BarHeight(20, 115), 100);
    EXPECT_EQ(model.BarHeight(10, 115), 50);
    EXPECT_EQ(model.BarHeight(0, 115), 115);  // cut at the graph's height
    EXPECT_TRUE(model.TopBinOverflows());
}

TEST_F(HistogramControl, AutoStretchSetsLevelsAndResetsMidtone) {
    uint64_t bins[1024] = {};
    bins[10] = 10;
    bins[500] = 10;
    model.SetHistogram(bins);
    model.MouseRelease();
    const auto handle = model.Midtone().HandleRect();
    model.MousePress(handle.x + 1, handle.y + 1, HistogramControlModel::Button::Left, false);
    model.MouseMove(0, model.GraphTop());
    model.MouseRelease();
    EXPECT_EQ(model.Midtone().Value(), 65535);
    EXPECT_TRUE(model.AutoStretch(100.0));
    EXPECT_EQ(model.Background().Value(), 576);
    EXPECT_EQ(model.White().Value(), 65535);
    EXPECT_EQ(model.Midtone().Value(), 32767);
}

TEST_F(HistogramControl, PercentileButtonsPassTheirPercent) {
    const auto& b = HistogramControlModel::kPercentileButtons;
    EXPECT_STREQ(b[3].label, "95");
    EXPECT_EQ(b[3].percent, 90.0);
    EXPECT_EQ(b[1].percent, 99.9);
}

TEST_F(HistogramControl, MirrorLevelsOnlyWhenTheInvertFlagChanges) {
    model.SetLevels(1000, 3000);
    model.MirrorLevels(false);
    EXPECT_EQ(model.Background().Value(), 1000);
    model.MirrorLevels(true);
    EXPECT_EQ(model.Background().Value(), 62535);
    EXPECT_EQ(model.White().Value(), 64535);
    model.MirrorLevels(true);
    EXPECT_EQ(model.Background().Value(), 62535);
    model.MirrorLevels(false);
    EXPECT_EQ(model.Background().Value(), 1000);
    EXPECT_EQ(model.White().Value(), 3000);
}

}  // namespace
}  // namespace orva
