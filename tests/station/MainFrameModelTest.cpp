#include "station/MainFrameModel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orva {
namespace {

using Command = MainFrameModel::Command;

TEST(MainFrameModel, CommandsFollowTheConnectionAndStream) {
    const MainFrameState none{false, false, false};
    const MainFrameState listed{true, false, false};
    const MainFrameState connected{true, true, false};
    const MainFrameState streaming{true, true, true};
    const struct {
        Command command;
        bool none, listed, connected, streaming;
    } cases[] = {
        {Command::Disconnect, false, false, true, true},     {Command::Restart, false, false, true, true},
        {Command::StartStreaming, false, false, true, false}, {Command::StopStreaming, false, false, false, true},
        {Command::ToggleZoom, false, false, false, true},     {Command::ZoomIn, false, false, false, true},
        {Command::NightVision, true, true, true, true},       {Command::MissedFrames, true, true, true, true},
        {Command::About, true, true, true, true},             {Command::Exit, true, true, true, true},
        {Command::Settings, true, true, true, true},          {Command::Observers, true, true, true, true},
        {Command::ObservingSites, true, true, true, true},    {Command::TelescopeMounts, true, true, true, true},
        {Command::Instruments, true, true, true, true},
        {Command::UpdateFirmware, false, false, true, true}, {Command::SatelliteConfiguration, false, false, true, true},
    };
    for (const auto& c : cases) {
        const std::string name = MainFrameModel::Text(c.command);
        EXPECT_EQ(MainFrameModel::IsEnabled(c.command, none), c.none) << name;
        EXPECT_EQ(MainFrameModel::IsEnabled(c.command, listed), c.listed) << name;
        EXPECT_EQ(MainFrameModel::IsEnabled(c.command, connected), c.connected) << name;
        EXPECT_EQ(MainFrameModel::IsEnabled(c.command, streaming), c.streaming) << name;
    }
    EXPECT_FALSE(MainFrameModel::IsConnectEnabled(none));
    EXPECT_TRUE(MainFrameModel::IsConnectEnabled(listed));
    EXPECT_FALSE(MainFrameModel::IsConnectEnabled(connected));
}

// The recording commands need a streaming camera and what the recording and capture
// models allow; Stop only while a recording runs.
TEST(MainFrameModel, RecordingCommandsFollowTheRecordingAndCaptureModels) {
    const auto with = [](bool connected, bool streaming, bool canRecord, bool recording, bool light, bool darkFlat) {
        MainFrameState s{true, connected, streaming};
        s.canRecord = canRecord;
        s.recording = recording;
        s.canCaptureLight = light;
        s.canCaptureDarkFlat = darkFlat;
        return s;
    };
    const struct {
        const char* name;
        MainFrameState state;
        bool record, stop, light, darkFlat;
    } cases[] = {
        {"idle stream", with(true, true, true, false, true, true), true, false, true, true},
        {"recording", with(true, true, false, true, true, true), false, true, true, true},
        {"dark dialog open", with(true, true, true, false, false, false), true, false, false, false},
        {"not streaming", with(true, false, true, true, true, true), false, false, false, false},
        {"not connected", with(false, true, true, true, true, true), false, false, false, false},
    };
    for (const auto& c : cases) {
        for (const Command r : {Command::RecordSer, Command::RecordAdv, Command::RecordFitsSequence}) {
            EXPECT_EQ(MainFrameModel::IsEnabled(r, c.state), c.record) << c.name << " " << MainFrameModel::Text(r);
        }
        EXPECT_EQ(MainFrameModel::IsEnabled(Command::StopRecording, c.state), c.stop) << c.name;
        EXPECT_EQ(MainFrameModel::IsEnabled(Command::RecordWithOptions, c.state),
                  c.state.connected && c.state.streaming)
            << c.name;
        EXPECT_EQ(MainFrameModel::IsEnabled(Command::FitsLight, c.state), c.light) << c.name;
        EXPECT_EQ(MainFrameModel::IsEnabled(Command::FitsDark, c.state), c.darkFlat) << c.name;
        EXPECT_EQ(MainFrameModel::IsEnabled(Command::FitsFlat, c.state), c.darkFlat) << c.name;
    }
    for (const Command r : MainFrameModel::kRecordingCommands) {
        EXPECT_STRNE(MainFrameModel::ToolbarText(r), "") << MainFrameModel::Text(r);
        EXPECT_STRNE(MainFrameModel::Shortcut(r), "") << MainFrameModel::Text(r);
    }
}

TEST(MainFrameModel, EveryCommandHasATextAndShortcutsAreUnique) {
    std::vector<std::string> shortcuts;
    for (const Command c : MainFrameModel::kAllCommands) {
        EXPECT_STRNE(MainFrameModel::Text(c), "");
        const std::string s = MainFrameModel::Shortcut(c);
        if (s.empty()) continue;
        EXPECT_EQ(std::count(shortcuts.begin(), shortcuts.end(), s), 0) << s;
        shortcuts.push_back(s);
    }
    EXPECT_STREQ(MainFrameModel::Shortcut(Command::Disconnect), "Ctrl+D");
    EXPECT_STREQ(MainFrameModel::Shortcut(Command::StartStreaming), "Ctrl+R");
    EXPECT_STREQ(MainFrameModel::Shortcut(Command::StopStreaming), "Ctrl+S");
}

TEST(MainFrameModel, StatusText) {
    EXPECT_EQ(MainFrameModel::StatusText({false, false, false}, "", 0, 0), "No camera found");
    EXPECT_EQ(MainFrameModel::StatusText({true, false, false}, "", 0, 0), "No camera connected");
    EXPECT_EQ(MainFrameModel::StatusText({true, true, false}, "ORVA+CAM", 0, 0), "Connected: ORVA+CAM");
    EXPECT_EQ(MainFrameModel::StatusText({true, true, true}, "ORVA+CAM", 1234, 2),
              "Streaming: ORVA+CAM - frame 1234 - missed 2");
}

TEST(MainFrameModel, NextEventCountdown) {
    EXPECT_EQ(MainFrameModel::NextEventText("(2) Pallas occ. HIP 42", 3723), "Next event: (2) Pallas occ. HIP 42 in 1:02:03");
    EXPECT_EQ(MainFrameModel::NextEventText("(2) Pallas occ. HIP 42", 0), "Next event: (2) Pallas occ. HIP 42 in 0:00:00");
    EXPECT_EQ(MainFrameModel::NextEventText("(2) Pallas occ. HIP 42", 40 * 3600), "Next event: (2) Pallas occ. HIP 42 in 40:00:00");
    EXPECT_EQ(MainFrameModel::NextEventText("", 10), "");
}

}  // namespace
}  // namespace orva
