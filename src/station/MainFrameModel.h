#pragma once
// The desktop station's main window without its widgets: the commands of its menus
// with their texts, keyboard shortcuts and enabling rules, and the status bar's text.
// The window asks it whenever it refreshes its menus.
//
// Pure rules over the station's state; GUI thread.

#include <cstdint>
#include <string>

namespace orva {

struct MainFrameState {
    bool cameraListed = false;  // at least one camera enumerated
    bool connected = false;
    bool streaming = false;
    // What the recording and capture models allow now.
    bool canRecord = false;          // a SER, ADV or FITS-sequence recording may start
    bool recording = false;          // a recording runs
    bool canCaptureLight = false;    // a single FITS light frame may be taken
    bool canCaptureDarkFlat = false; // a dark or flat may be taken (no dialog open)
    bool zonesEnabled = false;       // the live view's zones are switched on
    bool textFocus = false;          // a text field has the keyboard focus (Undo, Cut, Copy, Paste)
};

class MainFrameModel {
public:
    enum class Command {
        Settings,
        Observers,
        ObservingSites,
        TelescopeMounts,
        Instruments,
        Disconnect,
        Restart,
        StartStreaming,
        StopStreaming,
        UpdateFirmware,
        SatelliteConfiguration,
        ToggleZoom,
        ZoomIn,
        ZoomOut,
        Crosshair,
        NightVision,
        EnableZones,
        EditZones,
        ClearZones,
        MissedFrames,
        RecordSer,
        RecordAdv,
        RecordFitsSequence,
        RecordWithOptions,
        FitsLight,
        FitsDark,
        FitsFlat,
        StopRecording,
        PlateSolving,
        EventData,
        ImportOccultXml,
        Telescope,
        Guiding,
        About,
        Exit,
        // Dialogs this station does not have: shown, but never enabled.
        Photometry,
        VideoPlayer,
        HardwareConfiguration,
        CharacterizeCamera,
        // The window's own handling: toolbar and status bar visibility, and the text
        // editing commands, which act on the focused text field.
        Toolbars,
        CustomizeToolbar,
        StatusBar,
        Undo,
        Cut,
        Copy,
        Paste,
    };
    static constexpr Command kAllCommands[] = {
        Command::Settings,   Command::Observers,   Command::ObservingSites, Command::TelescopeMounts,
        Command::Instruments,
        Command::Disconnect, Command::Restart,     Command::StartStreaming, Command::StopStreaming,
        Command::UpdateFirmware, Command::SatelliteConfiguration,
        Command::ToggleZoom, Command::ZoomIn,      Command::ZoomOut,        Command::Crosshair,
        Command::NightVision, Command::EnableZones, Command::EditZones,     Command::ClearZones,
        Command::MissedFrames, Command::RecordSer,   Command::RecordAdv,      Command::RecordFitsSequence,
        Command::RecordWithOptions, Command::FitsLight,  Command::FitsDark,    Command::FitsFlat,       Command::StopRecording,
        Command::PlateSolving, Command::EventData,  Command::ImportOccultXml, Command::Telescope, Command::Guiding,
        Command::About,      Command::Exit,
        Command::Photometry, Command::VideoPlayer, Command::HardwareConfiguration, Command::CharacterizeCamera,
        Command::Toolbars,   Command::CustomizeToolbar, Command::StatusBar,   Command::Undo,           Command::Cut,
        Command::Copy,       Command::Paste,
    };
    static constexpr Command kRecordingCommands[] = {
        Command::RecordSer, Command::RecordAdv, Command::RecordFitsSequence, Command::RecordWithOptions,
        Command::StopRecording, Command::FitsLight, Command::FitsDark, Command::FitsFlat,
    };

    // The menu text, with "&" before the access key.
    static const char* Text(Command command);
    // The shortcut in the portable form ("Ctrl+D"); empty for none.
    static const char* Shortcut(Command command);
    // A short description for the status bar; empty for none.
    static const char* Description(Command command);
    static bool IsEnabled(Command command, const MainFrameState& state);
    // Connect entries: enabled while cameras are listed and none is connected.
    static bool IsConnectEnabled(const MainFrameState& state) { return state.cameraListed && !state.connected; }

    // A toolbar button's caption; empty for commands without one.
    static const char* ToolbarText(Command command);

    // "No camera", "Connected: NAME", "Streaming: NAME - frame N - missed M".
    // "Next event: (2) Pallas occ. HIP 42 in 1:02:03"; empty without an event ahead.
    static std::string NextEventText(const std::string& title, int64_t secondsToEvent);
    static std::string StatusText(const MainFrameState& state, const std::string& cameraName, int32_t frameNumber,
                                  int64_t missedFrames);
};

}  // namespace orva
