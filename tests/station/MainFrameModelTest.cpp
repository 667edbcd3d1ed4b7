#include "station/MainFrameModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

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

// The enabling table of the menus in the four states an observer meets, as the window's
// rules state it. "Recording" is a running ADV recording: no new one may start, while a
// single FITS, a dark or a flat still may.
TEST(MainFrameModel, EnablingTableInTheFourStates) {
    MainFrameState noCamera;
    MainFrameState connected{true, true, false};
    MainFrameState streaming{true, true, true};
    streaming.canRecord = streaming.canCaptureLight = streaming.canCaptureDarkFlat = true;
    MainFrameState recording = streaming;
    recording.canRecord = false;
    recording.recording = true;
    const MainFrameState states[] = {noCamera, connected, streaming, recording};

    // Columns: no camera, connected, streaming, recording.
    const struct {
        Command command;
        const char* enabled;
    } table[] = {
        {Command::Settings, "1111"},
        {Command::Observers, "1111"},
        {Command::ObservingSites, "1111"},
        {Command::TelescopeMounts, "1111"},
        {Command::Instruments, "1111"},
        {Command::Disconnect, "0111"},
        {Command::Restart, "0111"},
        {Command::UpdateFirmware, "0111"},
        {Command::SatelliteConfiguration, "0111"},
        {Command::StartStreaming, "0100"},
        {Command::StopStreaming, "0011"},
        {Command::RecordSer, "0010"},
        {Command::RecordAdv, "0010"},
        {Command::RecordFitsSequence, "0010"},
        // Stays open while recording: its dialog stops the timed recordings it started.
        {Command::RecordWithOptions, "0011"},
        {Command::FitsLight, "0011"},
        {Command::FitsDark, "0011"},
        {Command::FitsFlat, "0011"},
        {Command::StopRecording, "0001"},
        {Command::PlateSolving, "1111"},
        {Command::EventData, "1111"},
        {Command::ImportOccultXml, "1111"},
        {Command::Telescope, "1111"},
        {Command::Guiding, "1111"},
        {Command::Photometry, "0000"},
        {Command::VideoPlayer, "0000"},
        {Command::HardwareConfiguration, "0000"},
        {Command::CharacterizeCamera, "0000"},
        {Command::Toolbars, "1111"},
        {Command::CustomizeToolbar, "1111"},
        {Command::StatusBar, "1111"},
        // No text field has the focus in these states.
        {Command::Undo, "0000"},
        {Command::Cut, "0000"},
        {Command::Copy, "0000"},
        {Command::Paste, "0000"},
        {Command::ToggleZoom, "0011"},
        {Command::ZoomIn, "0011"},
        {Command::ZoomOut, "0011"},
        {Command::Crosshair, "1111"},
        {Command::NightVision, "1111"},
        {Command::MissedFrames, "1111"},
        {Command::EnableZones, "0111"},
        // The zones are off.
        {Command::EditZones, "0000"},
        {Command::ClearZones, "0000"},
        {Command::About, "1111"},
        {Command::Exit, "1111"},
    };
    std::set<Command> rows;
    for (const auto& row : table) {
        rows.insert(row.command);
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(MainFrameModel::IsEnabled(row.command, states[column]), row.enabled[column] == '1')
                << MainFrameModel::Text(row.command) << " in column " << column;
        }
    }
    for (const Command c : MainFrameModel::kAllCommands) {
        EXPECT_EQ(rows.count(c), 1u) << MainFrameModel::Text(c) << " has no row in the table";
    }
    // Connect: only with a camera listed and none connected.
    for (const MainFrameState& s : states) EXPECT_FALSE(MainFrameModel::IsConnectEnabled(s));
    EXPECT_TRUE(MainFrameModel::IsConnectEnabled({true, false, false}));

    // The never-enabled commands stay so whatever else is true.
    MainFrameState everything = recording;
    everything.canRecord = everything.zonesEnabled = everything.textFocus = true;
    for (const Command c : {Command::Photometry, Command::VideoPlayer, Command::HardwareConfiguration,
                            Command::CharacterizeCamera}) {
        EXPECT_FALSE(MainFrameModel::IsEnabled(c, everything)) << MainFrameModel::Text(c);
    }
    for (const Command c : {Command::Undo, Command::Cut, Command::Copy, Command::Paste, Command::EditZones,
                            Command::ClearZones}) {
        EXPECT_TRUE(MainFrameModel::IsEnabled(c, everything)) << MainFrameModel::Text(c);
    }
    // Zones switched on and the camera gone: none of the zone commands.
    MainFrameState zonesWithoutCamera = states[0];
    zonesWithoutCamera.zonesEnabled = true;
    for (const Command c : {Command::EnableZones, Command::EditZones, Command::ClearZones}) {
        EXPECT_FALSE(MainFrameModel::IsEnabled(c, zonesWithoutCamera)) << MainFrameModel::Text(c);
    }
}

// The menu texts without their access-key marks are the ones the observer's manuals name.
TEST(MainFrameModel, MenuTextsWithoutAccessKeys) {
    const struct {
        Command command;
        const char* text;
    } cases[] = {
        {Command::Settings, "Settings..."},
        {Command::Observers, "Observers..."},
        {Command::ObservingSites, "Observing Sites..."},
        {Command::TelescopeMounts, "Telescope Mounts..."},
        {Command::Instruments, "Instruments..."},
        {Command::Disconnect, "Disconnect"},
        {Command::Restart, "Restart"},
        {Command::StartStreaming, "Start streaming"},
        {Command::StopStreaming, "Stop streaming"},
        {Command::RecordSer, "SER"},
        {Command::RecordAdv, "ADV"},
        {Command::RecordFitsSequence, "FITS Sequence"},
        {Command::RecordWithOptions, "Record with options..."},
        {Command::FitsLight, "Single FITS (Light)"},
        {Command::FitsDark, "FITS (Dark)"},
        {Command::FitsFlat, "FITS (Flat)"},
        {Command::StopRecording, "Stop recording"},
        {Command::PlateSolving, "Plate solving..."},
        {Command::EventData, "Event Data..."},
        {Command::Telescope, "Telescope..."},
        {Command::Guiding, "Guiding..."},
        {Command::Photometry, "Photometry..."},
        {Command::VideoPlayer, "Video Player..."},
        {Command::HardwareConfiguration, "Hardware Configuration..."},
        {Command::CharacterizeCamera, "Characterize camera..."},
        {Command::Undo, "Undo"},
        {Command::Cut, "Cut"},
        {Command::Copy, "Copy"},
        {Command::Paste, "Paste"},
        {Command::ToggleZoom, "Toggle zoom (fit / scale)"},
        {Command::About, "About ORVA Cam Control..."},
        {Command::Exit, "Exit"},
    };
    for (const auto& c : cases) {
        std::string text = MainFrameModel::Text(c.command);
        EXPECT_EQ(std::count(text.begin(), text.end(), '&'), 1) << text;
        text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
        EXPECT_EQ(text, c.text);
    }
    // These keep their marks as quoted.
    EXPECT_STREQ(MainFrameModel::Text(Command::Toolbars), "&Toolbars and docking windows");
    EXPECT_STREQ(MainFrameModel::Text(Command::StatusBar), "Status &bar");
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
