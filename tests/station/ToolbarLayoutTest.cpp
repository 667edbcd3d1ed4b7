// The toolbars as the observer arranges them, and their text in the saved workspace.

#include "station/ToolbarLayout.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using Command = MainFrameModel::Command;

const char* const kDefaultText = "Record=SER|ADV|FITS Sequence|Record with options...|Stop recording|"
                                 "Single FITS (Light)|FITS (Dark)|FITS (Flat)";

TEST(ToolbarLayout, ArrangedToolbarsRoundTripThroughTheirText) {
    ToolbarLayout layout;
    EXPECT_EQ(layout.Text(), kDefaultText);
    ASSERT_TRUE(layout.Remove(0, 0));  // no SER
    ASSERT_TRUE(layout.Move(0, 3, -3));  // "Stop recording" first
    ASSERT_TRUE(layout.NewToolbar("Focus"));
    ASSERT_TRUE(layout.Add(1, Command::StartStreaming));
    ASSERT_TRUE(layout.Add(1, Command::ToggleZoom));
    ASSERT_TRUE(layout.NewToolbar("Empty"));
    EXPECT_EQ(layout.Text(),
              "Record=Stop recording|ADV|FITS Sequence|Record with options...|Single FITS (Light)|FITS (Dark)|"
              "FITS (Flat);Focus=Start streaming|Toggle zoom (fit / scale);Empty=");
    EXPECT_EQ(ToolbarLayout::FromText(layout.Text()), layout);

    // What the toolbar has is not offered again, nor the window's own toggles.
    const auto available = layout.Available(1);
    EXPECT_EQ(std::count(available.begin(), available.end(), Command::StartStreaming), 0);
    EXPECT_EQ(std::count(available.begin(), available.end(), Command::StopStreaming), 1);
    EXPECT_EQ(std::count(available.begin(), available.end(), Command::Paste), 0);

    ASSERT_TRUE(layout.DeleteToolbar(1));
    EXPECT_EQ(layout.Toolbars().size(), 2u);
    EXPECT_EQ(layout.Toolbars()[1].name, "Empty");
}

TEST(ToolbarLayout, ChangesThatDoNotFitAreRefused) {
    ToolbarLayout layout;
    const ToolbarLayout before = layout;
    EXPECT_FALSE(layout.Add(0, Command::RecordSer)) << "twice on one toolbar";
    EXPECT_FALSE(layout.Add(0, Command::Copy));
    EXPECT_FALSE(layout.Add(1, Command::About)) << "no such toolbar";
    EXPECT_FALSE(layout.Remove(0, 8));
    EXPECT_FALSE(layout.Move(0, 0, -1));
    EXPECT_FALSE(layout.Move(0, 7, 1));
    EXPECT_FALSE(layout.DeleteToolbar(0)) << "the Record toolbar stays";
    for (const char* name : {"", "  ", "Record", "a=b", "a|b", "a;b"}) EXPECT_FALSE(layout.NewToolbar(name)) << name;
    EXPECT_EQ(layout, before);
}

TEST(ToolbarLayout, ADamagedTextGivesTheDefaultAndUnknownCommandsAreLeftOut) {
    for (const char* damaged : {"garbage", "Record=SER;Record=ADV", "Focus=SER", "Record=SER;=ADV", "Record=SER;Own"}) {
        EXPECT_EQ(ToolbarLayout::FromText(damaged), ToolbarLayout()) << damaged;
    }
    const ToolbarLayout read = ToolbarLayout::FromText("Record=Photon counter|ADV|ADV;Own=Paste|About ORVA Cam Control...");
    ASSERT_EQ(read.Toolbars().size(), 2u);
    EXPECT_EQ(read.Toolbars()[0].commands, std::vector<Command>{Command::RecordAdv});
    EXPECT_EQ(read.Toolbars()[1].commands, std::vector<Command>{Command::About});
}

}  // namespace
}  // namespace orva
