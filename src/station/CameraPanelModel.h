#pragma once
// The camera control panel of the main window without its widgets: what each control
// shows, what a change of it sends to the camera through the station and stores in the
// camera configuration record, the 100 ms timer with its status refresh every 21 ticks,
// the stream and recording statistics, and which controls are enabled.
//
//   A camera connects   -> the next Tick loads the controls (lists, the stored record,
//                          each value applied in turn) and starts streaming when so set.
//   The user edits      -> a handler changes the station's camera settings (only what
//                          changed is sent) and stores the record.
//   Every 21st tick     -> the status refresh: link, temperature, exposure, the lists
//                          follow the camera, the statistics.
//
// Waits that the panel would make on the GUI thread (after a mode change, after the
// stream started) are due times that Tick works off.
//
// The view reads State() after each call; it reports the focus and dropped-down lists
// it has (Focus) so that the status refresh does not overwrite what the user is editing.
//
// Threads: GUI thread only (the station's thread).

#include "camera/CameraStatus.h"
#include "common/Clock.h"
#include "station/StationCameraSettings.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class CameraModel;
class CameraUnit;
class NotificationCenter;
class Station;
class VideoResolution;

struct CameraPanelState {
    std::string identification = "not connected";
    std::string temperature = "xx \xC2\xB0" "C";
    std::string linkText = "N/A";
    std::string errorCounters = "N/A";
    bool linkWarning = false;  // the warning sign beside the link state

    std::vector<std::string> resolutions{"1280 x 960", "640 x 480"};
    int resolutionIndex = -1;
    std::string exposureText;
    std::string frameRateText;
    bool subFrameHint = false;
    std::vector<std::string> gains;
    int gainIndex = -1;
    bool highGain = false;
    std::string blackLevelText;
    bool blackLevelEnabled = true;
    bool blackLevelLocked = false;
    bool eightBit = false;
    bool invert = false;  // the histogram is shown inverted too
    bool fpnReduction = false;
    int flipIndex = 0;     // "none", "X", "Y", "XY"
    bool pps = false;      // "1PPS"
    bool pcTime = false;   // "PC Time"
    int overlayIndex = 0;  // "none", "dark", "ascii"
    bool plateSolvingNextEvent = false;  // "Platesolving (next Event)": the offset arrow

    std::string queueText = "-";       // "Queue Length"
    std::string processingText = "-";  // "Processing Time"
    std::string recordedText = "-";    // "Recorded frames"
    std::string durationText = "-";
    std::string missedText = "-";      // "Missed frames"
    bool missedListIcon = false;
    bool recentMissedIcon = false;
};

// What the view has in hand; the status refresh leaves these controls alone.
struct CameraPanelFocus {
    bool exposureEdit = false;
    bool frameRateEdit = false;
    bool gainListDropped = false;
    bool flipListDropped = false;
    bool overlayListDropped = false;
};

// Controls of other models that the enabling rules depend on.
struct CameraPanelEnableInputs {
    bool darkChecked = false;
    bool flatChecked = false;
    bool roiMode = false;
    bool viewHasZones = false;
};

struct CameraPanelEnables {
    bool equipment = false;    // observer, site, instrument and mount lists
    bool resolution = false;
    bool exposure = false;     // exposure and frame-rate edits, spins, labels
    bool subFrameHintVisible = false;
    bool gainLabel = false;
    bool gain = false;
    bool highGain = false;
    bool blackLevel = false;   // label, edit, lock and the 8-bit box
    bool fpnReduction = false;
    bool cameraOptions = false;  // invert, flip, overlay, 1PPS, PC time, Dark, Flat boxes
    bool darkList = false;
    bool flatList = false;
    bool zones = false;        // offset, ROI mode and their labels
    bool startEditing = false;
    bool clearZones = false;
};

class CameraPanelModel {
public:
    enum class EditResult { Applied, Rejected };  // Rejected: the view selects the text

    static constexpr int kTimerMs = 100;
    static constexpr int kStatusEveryTicks = 21;
    static constexpr int kStatisticsCountdownTicks = 5;
    static constexpr int kRecentMissedTicks = 50;
    static constexpr int kFirmwareRequired = 2334;  // major x 65536 + minor x 256 + patch
    static constexpr std::array<const char*, 4> kFlipTexts{"none", "X", "Y", "XY"};
    static constexpr std::array<const char*, 3> kOverlayTexts{"none", "dark", "ascii"};

    // `clock` times the panel's due waits; null: the station's clock.
    CameraPanelModel(Station& station, NotificationCenter& notifications, Clock* clock = nullptr);

    const CameraPanelState& State() const { return state_; }
    CameraPanelFocus focus;

    // The live view hears which axes changed mirroring when the flip changes.
    std::function<void(bool x, bool y)> onMirrorChanged;
    // The picture is inverted or no longer: the histogram's stretch levels mirror with it.
    std::function<void(bool invert)> onInvertChanged;
    // The resolution list is about to change the mode: Dark and Flat no longer fit.
    std::function<void()> onResolutionChanging;

    // The 100 ms timer.
    void Tick();
    // What the timer does once a camera connected; public for a front end that is told.
    void LoadCameraControls();
    void RefreshCameraDisplay();
    void StatusRefresh();
    CameraPanelEnables Enables(const CameraPanelEnableInputs& inputs) const;

    // Exposure.
    void SetExposureTimeMillisec(double ms);
    EditResult EnterExposure(const std::string& text);
    EditResult EnterFrameRate(const std::string& text);
    void SpinExposure(int delta);
    void SpinFrameRate(int delta);
    // The next exposure (ms) of a spin, or nothing; exposed for its table.
    static std::optional<double> ExposureSpinTarget(int currentMs, int delta);
    static std::optional<double> FrameRateSpinTarget(double currentFps, int delta);

    // Lists and check boxes.
    void SelectResolution(int index);
    void SelectGain(int index);
    void SetHighGain(bool on);
    void SetEightBit(bool on);
    void SetInvert(bool on);
    void SelectFlip(int index);
    void SelectOverlay(int index);
    void SetPps(bool on);
    void SetFpnReduction(bool on);
    void SetPcTime(bool on);
    // The live view's offset from the last solve to the next event's star; stored.
    void SetPlateSolvingNextEvent(bool on);

    // Black level: any integer text; below 0 becomes 0, above 65535 becomes 65535, and a
    // clamped value is written back.
    void EditBlackLevel(const std::string& text);
    void SetBlackLevelLock(bool on);

    // Streaming and the statistics.
    void StartStreaming();
    void StopStreaming();
    void SetStatisticsCountdown(int ticks) { statisticsCountdown_ = ticks; }
    void ResetMissedFrames();

private:
    CameraUnit* ActiveUnit() const;
    const CameraModel* ActiveModel() const;
    bool ChangeSettings(const std::function<void(StationCameraSettings&)>& change);
    void StoreRecord(const std::function<void()>& change);
    void ShowInvert(bool on);
    void AutomaticBlackLevel(std::optional<int> exposureMs);
    void UpdateResolution();
    void ConfirmExposureLater(bool publishResolution);
    void RunPendingExposure();
    void ShowRecoveryTexts();
    void ClearStatusTexts();
    void ShowStatus(const CameraStatus& status);
    void ShowStatistics();
    std::string ExposureTextOf(double ms) const;
    int MinimumFrameTimeMs(const CameraStatus& status) const;
    void CheckFirmwareOnce();

    struct PendingExposure {
        Clock::TimePoint due;
        bool publishResolution = false;
    };

    Station& station_;
    NotificationCenter& notifications_;
    Clock& clock_;
    CameraPanelState state_;
    std::vector<const VideoResolution*> resolutionItems_;
    std::weak_ptr<CameraUnit> loadedUnit_;  // the unit whose controls are loaded
    std::optional<PendingExposure> pendingExposure_;

    int64_t tick_ = 0;
    int statusTicks_ = 0;
    int32_t lastStatusSequence_ = 0;
    bool linkNotOptimal_ = false;
    int statisticsCountdown_ = 0;
    int64_t lastMissedCount_ = 0;
    int64_t tickOfLastMissed_ = 0;
    bool usb2WarningShown_ = false;
    bool firmwareCheckDone_ = false;
};

}  // namespace orva
