#include "station/MainFrameModel.h"

#include <cstdio>

namespace orva {

const char* MainFrameModel::Text(Command command) {
    switch (command) {
        case Command::Settings: return "&Settings...";
        case Command::Observers: return "&Observers...";
        case Command::ObservingSites: return "Observing S&ites...";
        case Command::TelescopeMounts: return "Telescope &Mounts...";
        case Command::Instruments: return "I&nstruments...";
        case Command::Disconnect: return "&Disconnect";
        case Command::Restart: return "R&estart";
        case Command::StartStreaming: return "&Start streaming";
        case Command::StopStreaming: return "S&top streaming";
        case Command::UpdateFirmware: return "&Update firmware...";
        case Command::SatelliteConfiguration: return "S&atellite Configuration...";
        case Command::ToggleZoom: return "Toggle &zoom (fit / scale)";
        case Command::ZoomIn: return "Zoom &in";
        case Command::ZoomOut: return "Zoom &out";
        case Command::Crosshair: return "&Crosshair";
        case Command::NightVision: return "&Night vision (red)";
        case Command::EnableZones: return "&Zones";
        case Command::EditZones: return "&Edit zones";
        case Command::ClearZones: return "C&lear zones";
        case Command::MissedFrames: return "&Missed frames...";
        case Command::RecordSer: return "&SER";
        case Command::RecordAdv: return "&ADV";
        case Command::RecordFitsSequence: return "FITS Se&quence";
        case Command::RecordWithOptions: return "Record with &options...";
        case Command::FitsLight: return "Single FITS (&Light)";
        case Command::FitsDark: return "FITS (&Dark)";
        case Command::FitsFlat: return "FITS (&Flat)";
        case Command::StopRecording: return "S&top recording";
        case Command::PlateSolving: return "&Plate solving...";
        case Command::EventData: return "&Event Data...";
        case Command::ImportOccultXml: return "&Import Occult XML...";
        case Command::Telescope: return "&Telescope...";
        case Command::Guiding: return "&Guiding...";
        case Command::About: return "&About ORVA Cam Control...";
        case Command::Exit: return "E&xit";
        case Command::Photometry: return "P&hotometry...";
        case Command::VideoPlayer: return "&Video Player...";
        case Command::HardwareConfiguration: return "&Hardware Configuration...";
        case Command::CharacterizeCamera: return "Ch&aracterize camera...";
        case Command::Toolbars: return "&Toolbars and docking windows";
        case Command::CustomizeToolbar: return "C&ustomize Toolbar...";
        case Command::StatusBar: return "Status &bar";
        case Command::Undo: return "&Undo";
        case Command::Cut: return "Cu&t";
        case Command::Copy: return "&Copy";
        case Command::Paste: return "&Paste";
    }
    return "";
}

const char* MainFrameModel::Shortcut(Command command) {
    switch (command) {
        case Command::Disconnect: return "Ctrl+D";
        case Command::StartStreaming: return "Ctrl+R";
        case Command::StopStreaming: return "Ctrl+S";
        case Command::ToggleZoom: return "Ctrl+T";
        case Command::ZoomIn: return "Ctrl++";
        case Command::ZoomOut: return "Ctrl+-";
        case Command::Crosshair: return "Ctrl+H";
        case Command::NightVision: return "Ctrl+N";
        case Command::MissedFrames: return "Ctrl+M";
        case Command::Exit: return "Ctrl+Q";
        case Command::Undo: return "Ctrl+Z";
        case Command::Cut: return "Ctrl+X";
        case Command::Copy: return "Ctrl+C";
        case Command::Paste: return "Ctrl+V";
        case Command::RecordSer: return "F5";
        case Command::RecordAdv: return "F6";
        case Command::RecordFitsSequence: return "F7";
        case Command::RecordWithOptions: return "Ctrl+Shift+O";
        case Command::StopRecording: return "F8";
        case Command::FitsLight: return "Ctrl+Shift+L";
        case Command::FitsDark: return "Ctrl+Shift+D";
        case Command::FitsFlat: return "Ctrl+Shift+F";
        case Command::EventData: return "Ctrl+E";
        case Command::PlateSolving: return "Ctrl+P";
        case Command::Telescope: return "Ctrl+Shift+T";
        case Command::Guiding: return "Ctrl+G";
        default: return "";
    }
}

const char* MainFrameModel::ToolbarText(Command command) {
    switch (command) {
        case Command::RecordSer: return "SER";
        case Command::RecordAdv: return "ADV";
        case Command::RecordFitsSequence: return "FITS Seq";
        case Command::RecordWithOptions: return "Options";
        case Command::FitsLight: return "FITS";
        case Command::FitsDark: return "Dark";
        case Command::FitsFlat: return "Flat";
        case Command::StopRecording: return "Stop";
        default: return "";
    }
}

const char* MainFrameModel::Description(Command command) {
    switch (command) {
        case Command::UpdateFirmware: return "Write a firmware file into one of the camera's image slots.";
        case Command::SatelliteConfiguration: return "The GPS module's version and state, and its satellite systems.";
        case Command::ToggleZoom: return "Toggle the zoom mode between \"scale to fit\" and \"aspect scale\".";
        case Command::NightVision: return "Dark red on black, to keep the eyes dark-adapted at the telescope.";
        case Command::EditZones: return "Click on the picture to select or release 64 x 64 pixel blocks.";
        case Command::RecordSer: return "Start recording a SER file.";
        case Command::RecordAdv: return "Start recording an ADV file.";
        case Command::RecordFitsSequence: return "Start recording a sequence of FITS files.";
        case Command::RecordWithOptions: return "Record every n-th frame, or for given times centred on UTC times.";
        case Command::FitsLight: return "Save the next frames as one FITS image.";
        case Command::FitsDark: return "Average frames into a dark frame.";
        case Command::FitsFlat: return "Average frames into a flat field.";
        case Command::StopRecording: return "Stop the running recording.";
        case Command::CustomizeToolbar: return "Add, remove and arrange the toolbars' commands, and make toolbars of your own.";
        case Command::EventData: return "The occultation events of today and tomorrow, their details and reports.";
        case Command::ImportOccultXml: return "Add the events of an Occult XML file to the event store.";
        case Command::PlateSolving: return "Solve a recorded or a new frame for its sky position.";
        case Command::Telescope: return "Move, sync and slew the mount.";
        case Command::Guiding: return "Keep the mount on a star chosen in the live view.";
        default: return "";
    }
}

bool MainFrameModel::IsEnabled(Command command, const MainFrameState& s) {
    switch (command) {
        case Command::Disconnect:
        case Command::Restart:
        case Command::UpdateFirmware:
        case Command::SatelliteConfiguration: return s.connected;
        case Command::StartStreaming: return s.connected && !s.streaming;
        case Command::StopStreaming: return s.connected && s.streaming;
        case Command::ToggleZoom:
        case Command::ZoomIn:
        case Command::ZoomOut: return s.connected && s.streaming;
        case Command::RecordSer:
        case Command::RecordAdv:
        case Command::RecordFitsSequence: return s.connected && s.streaming && s.canRecord;
        // Open while its timed recordings run, so that they can be stopped.
        case Command::RecordWithOptions: return s.connected && s.streaming;
        case Command::FitsLight: return s.connected && s.streaming && s.canCaptureLight;
        case Command::FitsDark:
        case Command::FitsFlat: return s.connected && s.streaming && s.canCaptureDarkFlat;
        case Command::StopRecording: return s.connected && s.streaming && s.recording;
        // Zones are blocks of the camera's picture: nothing to mark without one.
        case Command::EnableZones: return s.connected;
        case Command::EditZones:
        case Command::ClearZones: return s.connected && s.zonesEnabled;
        case Command::Photometry:
        case Command::VideoPlayer:
        case Command::HardwareConfiguration:
        case Command::CharacterizeCamera: return false;
        case Command::Undo:
        case Command::Cut:
        case Command::Copy:
        case Command::Paste: return s.textFocus;
        default: return true;
    }
}

std::string MainFrameModel::NextEventText(const std::string& title, int64_t secondsToEvent) {
    if (title.empty() || secondsToEvent < 0) return "";
    char countdown[32];
    std::snprintf(countdown, sizeof(countdown), "%lld:%02lld:%02lld", static_cast<long long>(secondsToEvent / 3600),
                  static_cast<long long>(secondsToEvent / 60 % 60), static_cast<long long>(secondsToEvent % 60));
    return "Next event: " + title + " in " + countdown;
}

std::string MainFrameModel::StatusText(const MainFrameState& s, const std::string& cameraName, int32_t frameNumber,
                                       int64_t missedFrames) {
    if (!s.connected) return s.cameraListed ? "No camera connected" : "No camera found";
    if (!s.streaming) return "Connected: " + cameraName;
    return "Streaming: " + cameraName + " - frame " + std::to_string(frameNumber) + " - missed " +
           std::to_string(missedFrames);
}

}  // namespace orva
