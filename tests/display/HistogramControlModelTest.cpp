#include "display/HistogramControlModel.h"

#include "processing/ThreadSafeDoubleBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

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

// Sky around bin 50 with a few star pixels, as the first frame of a stream shows it.
void PublishStarField(ThreadSafeDoubleBuffer& buffer, int skyBin) {
    uint64_t* bins = buffer.GetWriteBuffer();
    std::fill(bins, bins + DisplayStretch::kBins, 0);
    bins[skyBin - 1] = 500;
    bins[skyBin] = 8000;
    bins[skyBin + 1] = 1500;
    bins[600] = 10;
    buffer.Swap();
}

TEST_F(HistogramControl, HistogramsStretchThePictureUntilTheUserDoes) {
    ThreadSafeDoubleBuffer buffer;
    // Nothing but clipped pixels yet: the full range stays.
    std::fill(buffer.GetWriteBuffer(), buffer.GetWriteBuffer() + DisplayStretch::kBins, 0);
    buffer.GetWriteBuffer()[0] = 1000;
    buffer.Swap();
    EXPECT_TRUE(model.FetchHistogram(buffer));
    EXPECT_EQ(model.Origin(), HistogramControlModel::LevelsOrigin::Initial);
    EXPECT_EQ(model.LevelsText(), "0 - 65535");

    PublishStarField(buffer, 50);
    EXPECT_TRUE(model.FetchHistogram(buffer));
    const auto expected = DisplayStretch::StarFieldLevels(model.Bins().data());
    ASSERT_TRUE(expected);
    EXPECT_EQ(model.Origin(), HistogramControlModel::LevelsOrigin::Automatic);
    EXPECT_EQ(model.Background().Value(), expected->background);
    EXPECT_EQ(model.White().Value(), expected->white);
    EXPECT_EQ(&*slot.Current(), &model.Table());
    EXPECT_EQ((*slot.Current())[static_cast<std::size_t>(expected->background)], DisplayStretch::kOpaque);

    // A sky a little brighter leaves the stretch as it is.
    PublishStarField(buffer, 52);
    EXPECT_TRUE(model.FetchHistogram(buffer));
    EXPECT_EQ(model.Background().Value(), expected->background);
    EXPECT_EQ(model.White().Value(), expected->white);
    // A black level raised after the first frames lifts the sky far: stretched again.
    PublishStarField(buffer, 300);
    EXPECT_TRUE(model.FetchHistogram(buffer));
    const auto lifted = DisplayStretch::StarFieldLevels(model.Bins().data());
    ASSERT_TRUE(lifted);
    EXPECT_EQ(model.Background().Value(), lifted->background);
    EXPECT_EQ(model.White().Value(), lifted->white);
    // Mirroring keeps them automatic.
    model.MirrorLevels(true);
    EXPECT_EQ(model.Origin(), HistogramControlModel::LevelsOrigin::Automatic);
}

TEST_F(HistogramControl, LevelsTheUserSetAreNeverOverridden) {
    const std::pair<const char*, std::function<void(HistogramControlModel&)>> ways[] = {
        {"levels", [](HistogramControlModel& m) { m.SetLevels(4000, 11000); }},
        {"percentile button",
         [](HistogramControlModel& m) {
             uint64_t bins[DisplayStretch::kBins] = {};
             bins[10] = 10;
             bins[500] = 10;
             m.SetHistogram(bins);
             m.AutoStretch(100.0);
         }},
        {"click", [this](HistogramControlModel& m) { m.MousePress(XOf(16384), MidY(), HistogramControlModel::Button::Left, false); }},
        {"midtone drag",
         [](HistogramControlModel& m) {
             const auto handle = m.Midtone().HandleRect();
             m.MousePress(handle.x + 1, handle.y + 1, HistogramControlModel::Button::Left, false);
             m.MouseMove(0, m.GraphTop());
             m.MouseRelease();
         }},
    };
    for (const auto& [name, set] : ways) {
        SCOPED_TRACE(name);
        LookupTableSlot ownSlot;
        HistogramControlModel own{ownSlot};
        own.SetSize(4 + 1024 + 14, 200);
        set(own);
        const StretchLevels before = own.Levels();
        EXPECT_EQ(own.Origin(), HistogramControlModel::LevelsOrigin::User);
        ThreadSafeDoubleBuffer buffer;
        PublishStarField(buffer, 50);
        EXPECT_TRUE(own.FetchHistogram(buffer));
        EXPECT_EQ(own.Levels().background, before.background);
        EXPECT_EQ(own.Levels().white, before.white);
        EXPECT_EQ(own.Levels().midtone, before.midtone);
    }

    // Set after the automatic levels: the user's from then on, whatever the picture does.
    ThreadSafeDoubleBuffer buffer;
    PublishStarField(buffer, 50);
    model.FetchHistogram(buffer);
    model.SetLevels(2000, 30000);
    EXPECT_EQ(model.Origin(), HistogramControlModel::LevelsOrigin::User);
    PublishStarField(buffer, 300);
    model.FetchHistogram(buffer);
    EXPECT_EQ(model.LevelsText(), "2000 - 30000");
}

}  // namespace
}  // namespace orva
