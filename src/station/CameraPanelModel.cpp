#include "station/CameraPanelModel.h"

#include "camera/CameraUnit.h"
#include "common/Log.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "station/Station.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orva {
namespace {

constexpr std::array<int, 13> kExposureSteps{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
constexpr std::array<double, 9> kFrameRateSteps{0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 45};
constexpr std::array<const char*, 4> kLinkTexts{"N/C", "USB1.1", "USB2", "USB3.0"};
constexpr auto kSettleTime = std::chrono::milliseconds(50);

// The whole text as a number; nothing for empty text or trailing characters.
std::optional<double> ParseNumber(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin) return std::nullopt;
    while (*end == ' ') ++end;
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The steps of a spin: the entry before (delta 1) or after (any other delta) the value,
// or the entry the value lies below; nothing beyond either end.
template <typename T, std::size_t N>
std::optional<T> SpinStep(const std::array<T, N>& steps, T value, int delta) {
    for (std::size_t i = 0; i < N; ++i) {
        if (value == steps[i]) {
            if (delta == 1) return i == 0 ? std::nullopt : std::optional<T>(steps[i - 1]);
            return i + 1 == N ? std::nullopt : std::optional<T>(steps[i + 1]);
        }
        if (value < steps[i]) {
            if (delta == 1) return i == 0 ? std::nullopt : std::optional<T>(steps[i - 1]);
            return steps[i];
        }
    }
    return std::nullopt;
}

std::string Format(const char* format, auto... values) {
    char text[128];
    std::snprintf(text, sizeof(text), format, values...);
    return text;
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&name](const char* n) { return name == n; });
}

}  // namespace

CameraPanelModel::CameraPanelModel(Station& station, NotificationCenter& notifications, Clock* clock)
    : station_(station), notifications_(notifications), clock_(clock ? *clock : station.GetClock()) {
    const CameraConfiguration& record = station_.GetSettings().CameraConfig;
    state_.blackLevelLocked = record.blackLevelLocked != 0;
    state_.plateSolvingNextEvent = record.plateSolvingNextEvent != 0;
}

CameraUnit* CameraPanelModel::ActiveUnit() const { return station_.Manager().ActiveCameraUnit().get(); }

const CameraModel* CameraPanelModel::ActiveModel() const {
    const CameraUnit* unit = ActiveUnit();
    return unit ? unit->Model() : nullptr;
}

bool CameraPanelModel::ChangeSettings(const std::function<void(StationCameraSettings&)>& change) {
    StationCameraSettings next = station_.CameraSettings();
    change(next);
    std::string error;
    if (station_.ChangeCameraSettings(next, error)) return true;
    if (ActiveUnit() != nullptr) LogMessageString("E CMainForm: camera settings not applied:", error);
    return false;
}

void CameraPanelModel::StoreRecord(const std::function<void()>& change) {
    Settings& settings = station_.GetSettings();
    change();
    settings.CameraConfigPresent = true;
    settings.Save();
}

// ---------------------------------------------------------------------------------------
// Timer

void CameraPanelModel::Tick() {
    ++tick_;
    CameraUnit* unit = ActiveUnit();
    const auto loaded = loadedUnit_.lock();
    if (unit == nullptr) {
        if (loaded != nullptr) {
            loadedUnit_.reset();
            RefreshCameraDisplay();
        }
    } else if (unit != loaded.get() && unit->Model() != nullptr && !station_.Manager().RecoveryActive()) {
        LoadCameraControls();
    }
    RunPendingExposure();
    if (++statusTicks_ >= kStatusEveryTicks) {
        statusTicks_ = 0;
        StatusRefresh();
    }
    FrameProcessor& processor = station_.Processor();
    if (statisticsCountdown_ > 0 && --statisticsCountdown_ == 0) ResetMissedFrames();
    const int64_t missed = processor.MissedTotal();
    if (missed > lastMissedCount_) tickOfLastMissed_ = tick_;
    lastMissedCount_ = missed;
}

void CameraPanelModel::ResetMissedFrames() {
    lastMissedCount_ = 0;
    tickOfLastMissed_ = 0;
    station_.Processor().ResetMissedTotal();
}

void CameraPanelModel::ConfirmExposureLater(bool publishResolution) {
    const bool publish = publishResolution || (pendingExposure_ && pendingExposure_->publishResolution);
    pendingExposure_ = PendingExposure{clock_.Now() + kSettleTime, publish};
}

void CameraPanelModel::RunPendingExposure() {
    if (!pendingExposure_ || clock_.Now() < pendingExposure_->due) return;
    const PendingExposure pending = *pendingExposure_;
    pendingExposure_.reset();
    // The text as it is now: an exposure entered meanwhile is the one the camera keeps.
    const std::string text = state_.exposureText;
    if (pending.publishResolution) LogMessageString("I UpdateResolution: setting exposure time:", text);
    EnterExposure(text);
    if (pending.publishResolution) notifications_.Publish("ResolutionChanged");
}

// ---------------------------------------------------------------------------------------
// Connect and display

void CameraPanelModel::LoadCameraControls() {
    CameraUnit* unit = ActiveUnit();
    if (unit == nullptr || unit->Model() == nullptr) return;
    loadedUnit_ = unit->weak_from_this();
    const CameraModel& model = *unit->Model();
    Settings& settings = station_.GetSettings();
    CameraConfiguration& record = settings.CameraConfig;
    const StationCameraSettings current = station_.CameraSettings();

    state_.gains.clear();
    for (int i = 0; i < model.GetGainCount(); ++i) state_.gains.push_back(model.GetGainText(i));
    state_.resolutions.clear();
    resolutionItems_.clear();
    state_.resolutionIndex = -1;
    const VideoResolution* active = unit->ActiveVideoResolution();
    for (int i = 0; i < model.GetResolutionCount(); ++i) {
        const VideoResolution* mode = model.GetVideoResolution(i);
        if (active && mode->Width() == active->Width() && mode->Height() == active->Height() &&
            state_.resolutionIndex < 0) {
            state_.resolutionIndex = i;
        }
        state_.resolutions.push_back(mode->GetListText());
        resolutionItems_.push_back(mode);
    }
    if (resolutionItems_.empty()) {
        state_.resolutions.push_back("0 x 0");
        resolutionItems_.push_back(&VideoResolution::Placeholder());
        state_.resolutionIndex = 0;
    }
    linkNotOptimal_ = false;

    // Without a stored record the controls show what the station applied on connect.
    state_.gainIndex = model.GetGainCount() > 0 ? current.gainIndex : -1;
    state_.highGain = current.highGain;
    state_.eightBit = current.eightBit;
    ShowInvert(current.invert);
    state_.flipIndex = current.flipIndex;
    state_.exposureText = ExposureTextOf(current.exposureMs);
    state_.blackLevelText = std::to_string(std::max<int64_t>(current.blackLevel, 0));

    const bool present = settings.CameraConfigPresent;
    if (present) {
        const auto found = std::find(state_.resolutions.begin(), state_.resolutions.end(), record.resolution);
        if (found != state_.resolutions.end()) {
            state_.resolutionIndex = static_cast<int>(found - state_.resolutions.begin());
        } else if (state_.resolutionIndex >= 0) {
            StoreRecord([&] { record.resolution = state_.resolutions[state_.resolutionIndex]; });
        }
        UpdateResolution();
        state_.exposureText = Format("%.1f", record.exposureMs);
        EnterExposure(state_.exposureText);
        const auto gain = std::find(state_.gains.begin(), state_.gains.end(), record.gain);
        if (gain != state_.gains.end()) SelectGain(static_cast<int>(gain - state_.gains.begin()));
        SetHighGain(record.highGainMode != 0);
        SetEightBit(record.eightBitMode != 0);
        SetInvert(record.invertImage != 0);
    }
    station_.ClipOnOverflow();
    StoreRecord([&] { record.clipOnOverflow = 1; });
    if (present) {
        const auto flip = std::find(kFlipTexts.begin(), kFlipTexts.end(), record.flipMode);
        if (flip != kFlipTexts.end()) SelectFlip(static_cast<int>(flip - kFlipTexts.begin()));
        SetPcTime(record.pcTime != 0);
        SetFpnReduction(record.fpnReduction != 0);
        state_.blackLevelLocked = record.blackLevelLocked != 0;
        if (state_.blackLevelLocked) EditBlackLevel(std::to_string(record.blackLevelValue));
    }
    statisticsCountdown_ = kStatisticsCountdownTicks;
    RefreshCameraDisplay();
    if (settings.AutoStartStreaming.IsOn()) StartStreaming();
    CheckFirmwareOnce();
}

void CameraPanelModel::CheckFirmwareOnce() {
    if (firmwareCheckDone_) return;
    firmwareCheckDone_ = true;
    const CameraModel* model = ActiveModel();
    if (model == nullptr) return;
    const int version = model->FirmwareMajor() * 65536 + model->FirmwareMinor() * 256 + model->FirmwarePatch();
    if (model->SensorCode() < 3 || version < kFirmwareRequired) {
        station_.Ui().ShowMessage("Firmware update required",
                                  "This version of the ORVA Camera Control tool requires a newer firmware on the "
                                  "camera. Please update the camera firmware!",
                                  MessageIcon::Warning);
    }
}

void CameraPanelModel::ShowRecoveryTexts() {
    state_.linkWarning = true;
    state_.linkText = "Automatic link recovery active...      ";
    state_.errorCounters = station_.Manager().RecoveryStatusText();
}

void CameraPanelModel::RefreshCameraDisplay() {
    if (station_.Manager().RecoveryActive()) {
        ShowRecoveryTexts();
        return;
    }
    const CameraUnit* unit = ActiveUnit();
    if (unit == nullptr) {
        state_.identification = "Not connected";
        state_.linkText.clear();
        state_.errorCounters.clear();
    } else if (unit->Model() == nullptr) {
        state_.identification = unit->FriendlyName() + "   -   (unknown)";
    } else {
        const CameraModel& model = *unit->Model();
        state_.identification = model.GetShortIdentification() + "  -  #" + std::to_string(model.SerialNumber()) +
                                "  -  " + model.GetFirmwareVersionText();
    }
}

CameraPanelEnables CameraPanelModel::Enables(const CameraPanelEnableInputs& in) const {
    CameraPanelEnables e;
    const CameraModel* model = ActiveModel();
    const bool c = ActiveUnit() != nullptr;
    const bool s = station_.IsStreaming();
    const bool r = station_.Processor().IsWriterAttached();
    const std::string sensor = model ? model->GetSensorName(false) : "";
    e.equipment = !(c && s);
    e.resolution = c && !r;
    e.exposure = c;
    e.subFrameHintVisible = c && state_.subFrameHint;
    e.gainLabel = c;
    e.gain = c && sensor != "GLUX9701";
    e.highGain = c && IsOneOf(sensor, {"IMX178", "IMX432", "IMX430", "GLUX9701"});
    e.blackLevel = c && state_.blackLevelEnabled;
    e.fpnReduction = c && IsOneOf(sensor, {"IMX174", "IMX178", "IMX432", "IMX430", "IMX264", "GLUX9701"});
    e.cameraOptions = c;
    e.darkList = c && in.darkChecked;
    e.flatList = c && in.flatChecked;
    e.zones = c;
    e.startEditing = c && in.roiMode;
    e.clearZones = c && in.roiMode && in.viewHasZones;
    return e;
}

// ---------------------------------------------------------------------------------------
// Exposure

std::string CameraPanelModel::ExposureTextOf(double ms) const {
    return CameraExtensionUnit::ExposureText(ms, station_.GetSettings().UseTimeResolution100us != 0);
}

int CameraPanelModel::MinimumFrameTimeMs(const CameraStatus& status) const {
    const CameraUnit* unit = ActiveUnit();
    const CameraModel* model = ActiveModel();
    if (model == nullptr) return 0;
    const VideoResolution* mode = unit->ActiveVideoResolution();
    const int width = mode ? mode->Width() : 1024;
    const int height = mode ? mode->Height() : 768;
    const bool binned = status.binningX > 1 || status.binningY > 1;
    return model->GetMinimumFrameTimeMs(width, height, binned, CameraModel::IsUsb2FullWidth(status.linkType, width));
}

void CameraPanelModel::SetExposureTimeMillisec(double ms) {
    LogMessageReal("I CMainForm::SetExposureTimeMillisec:", ms);
    CameraUnit* unit = ActiveUnit();
    if (unit == nullptr || unit->ExtensionUnit() == nullptr) return;
    if (station_.GetSettings().UseTimeResolution100us != 0) {
        LogMessageReal("I CameraExtensionUnit::SetExposureTime100us:", std::trunc(ms * 10.0));
    } else {
        LogMessageInt("I CameraExtensionUnit::SetExposureTimeMs:", static_cast<int>(ms));
    }
    ChangeSettings([ms](StationCameraSettings& s) { s.exposureMs = ms; });
    state_.exposureText = ExposureTextOf(ms);
    state_.frameRateText = Format("%3.2f", 1000.0 / ms);

    const CameraStatus status = unit->Status().Load();
    const VideoResolution* mode = unit->ActiveVideoResolution();
    const bool usb2FullWidth = mode != nullptr && CameraModel::IsUsb2FullWidth(status.linkType, mode->Width());
    if (usb2FullWidth && ms < 120.0 && !usb2WarningShown_) {
        usb2WarningShown_ = true;
        station_.Ui().ShowMessage("Warning",
                                  "For V2 and V3 prototypes with the IMX174 sensor, the minimum frame time at full "
                                  "resolution is currently limited to 120ms for USB2 connections.",
                                  MessageIcon::Warning);
    }
    StoreRecord([&] { station_.GetSettings().CameraConfig.exposureMs = ms; });
    AutomaticBlackLevel(static_cast<int>(ms));
}

CameraPanelModel::EditResult CameraPanelModel::EnterExposure(const std::string& text) {
    const auto ms = ParseNumber(text);
    if (!ms || *ms < 1.0 || *ms > 5000.0) return EditResult::Rejected;
    SetExposureTimeMillisec(*ms);
    focus.exposureEdit = false;
    return EditResult::Applied;
}

CameraPanelModel::EditResult CameraPanelModel::EnterFrameRate(const std::string& text) {
    const auto fps = ParseNumber(text);
    if (!fps || *fps < 0.1 || *fps > 1000.0) return EditResult::Rejected;
    SetExposureTimeMillisec(std::trunc(1000.0 / *fps));
    focus.frameRateEdit = false;
    return EditResult::Applied;
}

std::optional<double> CameraPanelModel::ExposureSpinTarget(int currentMs, int delta) {
    const auto step = SpinStep(kExposureSteps, currentMs, delta);
    return step ? std::optional<double>(*step) : std::nullopt;
}

std::optional<double> CameraPanelModel::FrameRateSpinTarget(double currentFps, int delta) {
    return SpinStep(kFrameRateSteps, currentFps, delta);
}

void CameraPanelModel::SpinExposure(int delta) {
    const auto current = ParseNumber(state_.exposureText);
    const auto ms = ExposureSpinTarget(static_cast<int>(current.value_or(0.0)), delta);
    if (ms) SetExposureTimeMillisec(*ms);
}

void CameraPanelModel::SpinFrameRate(int delta) {
    const auto fps = FrameRateSpinTarget(ParseNumber(state_.frameRateText).value_or(0.0), delta);
    if (fps) SetExposureTimeMillisec(std::trunc(1000.0 / *fps));
}

// ---------------------------------------------------------------------------------------
// Lists and check boxes

void CameraPanelModel::SelectResolution(int index) {
    if (index < 0 || index >= static_cast<int>(resolutionItems_.size())) return;
    if (onResolutionChanging) onResolutionChanging();
    if (CameraUnit* unit = ActiveUnit()) {
        CameraStatus status;
        unit->GetStatus(&status, lastStatusSequence_ + 1);
    }
    state_.resolutionIndex = index;
    UpdateResolution();
    statisticsCountdown_ = kStatisticsCountdownTicks;
}

void CameraPanelModel::UpdateResolution() {
    if (state_.resolutionIndex < 0) return;
    const std::string text = state_.resolutions[state_.resolutionIndex];
    StoreRecord([&] { station_.GetSettings().CameraConfig.resolution = text; });
    LogMessageString("I UpdateResolution: old exposure time:", state_.exposureText);
    const bool wasStreaming = station_.IsStreaming();
    if (wasStreaming) station_.StopStreaming();
    const VideoResolution* mode = resolutionItems_[state_.resolutionIndex];
    if (const CameraModel* model = ActiveModel()) {
        for (int i = 0; i < model->GetResolutionCount(); ++i) {
            if (model->GetVideoResolution(i) == mode) ChangeSettings([i](StationCameraSettings& s) { s.modeIndex = i; });
        }
    }
    if (wasStreaming) station_.StartStreaming();
    // The camera settles before the exposure is sent again: a due time, not a wait.
    ConfirmExposureLater(true);
}

void CameraPanelModel::SelectGain(int index) {
    if (index < 0 || index >= static_cast<int>(state_.gains.size())) return;
    state_.gainIndex = index;
    StoreRecord([&] { station_.GetSettings().CameraConfig.gain = state_.gains[index]; });
    if (ActiveUnit() != nullptr) ChangeSettings([index](StationCameraSettings& s) { s.gainIndex = index; });
    AutomaticBlackLevel(std::nullopt);
}

void CameraPanelModel::SetHighGain(bool on) {
    state_.highGain = on;
    ChangeSettings([on](StationCameraSettings& s) { s.highGain = on; });
    StoreRecord([&] { station_.GetSettings().CameraConfig.highGainMode = on ? 1 : 0; });
}

void CameraPanelModel::SetEightBit(bool on) {
    state_.eightBit = on;
    ChangeSettings([on](StationCameraSettings& s) { s.eightBit = on; });
    station_.Processor().SetEightBit(on);
    StoreRecord([&] { station_.GetSettings().CameraConfig.eightBitMode = on ? 1 : 0; });
}

void CameraPanelModel::SetInvert(bool on) {
    ShowInvert(on);
    ChangeSettings([on](StationCameraSettings& s) { s.invert = on; });
    StoreRecord([&] { station_.GetSettings().CameraConfig.invertImage = on ? 1 : 0; });
}

void CameraPanelModel::ShowInvert(bool on) {
    state_.invert = on;
    if (onInvertChanged) onInvertChanged(on);
}

void CameraPanelModel::SelectFlip(int index) {
    if (ActiveUnit() == nullptr || index < 0 || index >= static_cast<int>(kFlipTexts.size())) return;
    const std::string before = kFlipTexts[state_.flipIndex & 3];
    const std::string after = kFlipTexts[index];
    state_.flipIndex = index;
    ChangeSettings([index](StationCameraSettings& s) { s.flipIndex = index & 3; });
    StoreRecord([&] { station_.GetSettings().CameraConfig.flipMode = after; });
    const auto changed = [&](char axis) {
        return (before.find(axis) != std::string::npos) != (after.find(axis) != std::string::npos);
    };
    if (onMirrorChanged && (changed('X') || changed('Y'))) onMirrorChanged(changed('X'), changed('Y'));
}

void CameraPanelModel::SelectOverlay(int index) {
    if (index < 0 || index >= static_cast<int>(kOverlayTexts.size())) return;
    state_.overlayIndex = index;
    station_.SetOverlayMode(index);
}

void CameraPanelModel::SetPps(bool on) {
    state_.pps = on;
    station_.ShowPpsMarker(on);
}

void CameraPanelModel::SetFpnReduction(bool on) {
    state_.fpnReduction = on;
    station_.Processor().SetFpnReduction(on);
    StoreRecord([&] { station_.GetSettings().CameraConfig.fpnReduction = on ? 1 : 0; });
}

void CameraPanelModel::SetPcTime(bool on) {
    state_.pcTime = on;
    station_.Processor().SetPcTime(on);
    StoreRecord([&] { station_.GetSettings().CameraConfig.pcTime = on ? 1 : 0; });
}

void CameraPanelModel::SetPlateSolvingNextEvent(bool on) {
    state_.plateSolvingNextEvent = on;
    StoreRecord([&] { station_.GetSettings().CameraConfig.plateSolvingNextEvent = on ? 1 : 0; });
}

// ---------------------------------------------------------------------------------------
// Black level

void CameraPanelModel::EditBlackLevel(const std::string& text) {
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    const int64_t value = std::clamp<long long>(parsed, 0, 65535);
    if (ActiveUnit() != nullptr) ChangeSettings([value](StationCameraSettings& s) { s.blackLevel = value; });
    // A clamped or unreadable entry shows the value sent.
    state_.blackLevelText = std::to_string(value);
    StoreRecord([&] { station_.GetSettings().CameraConfig.blackLevelValue = static_cast<int>(value); });
}

void CameraPanelModel::SetBlackLevelLock(bool on) {
    state_.blackLevelLocked = on;
    StoreRecord([&] { station_.GetSettings().CameraConfig.blackLevelLocked = on ? 1 : 0; });
    LogMessageInt("I MainForm: lock black level:", on ? 1 : 0);
}

void CameraPanelModel::AutomaticBlackLevel(std::optional<int> exposureMs) {
    if (state_.blackLevelLocked) return;
    const CameraModel* model = ActiveModel();
    state_.blackLevelEnabled = model != nullptr;
    if (model == nullptr) return;
    // The values just applied, not the status the camera sent before they reached it.
    const StationCameraSettings& applied = station_.CameraSettings();
    const int exposure = exposureMs.value_or(static_cast<int>(applied.exposureMs));
    const int gainCode = model->GetGainCount() > 0 ? model->GetGainCode(applied.gainIndex)
                                                    : ActiveUnit()->Status().Load().gainCode;
    const int level = model->GetRecommendedBlackLevel(gainCode, exposure);
    if (level < 0) return;
    EditBlackLevel(std::to_string(level));
}

// ---------------------------------------------------------------------------------------
// Streaming and status

void CameraPanelModel::StartStreaming() {
    if (!station_.StartStreaming()) return;  // logged by the station
    // The exposure is sent again once the stream runs.
    ConfirmExposureLater(false);
    FrameProcessor& processor = station_.Processor();
    processor.SetPcTime(state_.pcTime);
    processor.SetFpnReduction(state_.fpnReduction);
    processor.SetEightBit(state_.eightBit);
    statisticsCountdown_ = kStatisticsCountdownTicks;
}

void CameraPanelModel::StopStreaming() {
    station_.StopStreaming();
    station_.Processor().SetSuspended(true);
}

void CameraPanelModel::ClearStatusTexts() {
    state_.temperature.clear();
    state_.linkWarning = false;
    for (std::string* text : {&state_.queueText, &state_.processingText, &state_.recordedText, &state_.durationText,
                              &state_.missedText}) {
        *text = "-";
    }
    state_.missedListIcon = false;
    state_.recentMissedIcon = false;
}

void CameraPanelModel::StatusRefresh() {
    if (station_.Manager().RecoveryActive()) {
        ShowRecoveryTexts();
        return;
    }
    CameraUnit* unit = ActiveUnit();
    CameraStatus status;
    if (unit == nullptr || !unit->GetStatus(&status, lastStatusSequence_ + 1)) {
        ClearStatusTexts();
        return;
    }
    lastStatusSequence_ = status.sequence;
    if (status.commitError != 0 && station_.IsStreaming()) {
        LogMessage("W Restarting streaming after too many commit errors");
        station_.StopStreaming();
        station_.StartStreaming();
        return;
    }
    ShowStatus(status);
    ShowStatistics();
}

void CameraPanelModel::ShowStatus(const CameraStatus& status) {
    if (status.linkErrorCount > 3 || (status.phyErrorValue & 0xFF) > 7) linkNotOptimal_ = true;
    if (status.linkType == 3) linkNotOptimal_ = false;
    state_.linkText = status.linkType < kLinkTexts.size() ? kLinkTexts[status.linkType] : kLinkTexts[0];
    if (linkNotOptimal_) state_.linkText += " - Link not optimal!";
    state_.linkWarning = linkNotOptimal_;
    state_.errorCounters = status.linkType == 3 ? Format("P%d:%03x L%d:%04x", status.phyErrorCount,
                                                         status.phyErrorValue, status.linkErrorCount,
                                                         status.linkErrorValue)
                                                : "Only available for USB3";
    state_.temperature = status.temperatureValid ? std::to_string(status.temperature) + "\xC2\xB0" "C" : "";

    if (!focus.exposureEdit) {
        const std::string text = station_.GetSettings().UseTimeResolution100us != 0
                                     ? Format("%.1f", status.frameTime / 10.0)
                                     : Format("%d", status.frameTime / 10);
        if (text != state_.exposureText) state_.exposureText = text;
    }
    if (!focus.frameRateEdit && status.frameTime > 0) state_.frameRateText = Format("%3.2f", 10000.0 / status.frameTime);
    state_.subFrameHint = status.frameTime / 10.0 < 10.0 * MinimumFrameTimeMs(status);

    const CameraModel* model = ActiveModel();
    if (!focus.gainListDropped && model != nullptr && model->GetGainCount() > 0) {
        const int index = model->GetGainIndex(status.gainCode);
        if (index >= 0 && index < model->GetGainCount()) state_.gainIndex = index;
    }
    state_.highGain = status.highGain != 0;
    state_.eightBit = status.eightBit != 0;
    ShowInvert(status.invert != 0);
    if (!focus.flipListDropped) state_.flipIndex = status.flipMode & 3;
    if (!focus.overlayListDropped && status.overlayMode >= 0 && status.overlayMode < 3) {
        state_.overlayIndex = status.overlayMode;
    }
    state_.pps = status.ppsMarker != 0;
}

void CameraPanelModel::ShowStatistics() {
    const IOrvaMediaStreamStatistics& stats = station_.Stream().GetStatistics();
    const FrameProcessor& processor = station_.Processor();
    state_.queueText = Format("0:%d  1:%d  2:%d  3:%d  F:%d", stats.GetNofUsedBuffersAtInsertCounter(0),
                              stats.GetNofUsedBuffersAtInsertCounter(1), stats.GetNofUsedBuffersAtInsertCounter(2),
                              stats.GetNofUsedBuffersAtInsertCounter(3), stats.GetNofFifoFullCounter());
    state_.processingText = Format("<3/4:%d <1:%d  >1:%d",
                                   stats.GetProcessingTimeCounter(0) + stats.GetProcessingTimeCounter(1) +
                                       stats.GetProcessingTimeCounter(2),
                                   stats.GetProcessingTimeCounter(3), stats.GetProcessingTimeCounter(4));
    const std::size_t missedListed = processor.MissedFrameList().size();
    state_.recordedText = Format("%d (missed %d)", processor.Recording().recordedFrames, static_cast<int>(missedListed));
    state_.missedListIcon = missedListed > 0;
    const int64_t first = processor.FrameTimes().firstFrameMs.load();
    const int64_t last = processor.FrameTimes().lastFrameMs.load();
    const int64_t seconds = first >= 0 && last >= 0 ? (last - first + 500) / 1000 : 0;
    state_.durationText = Format("%d s", static_cast<int>(seconds));
    state_.missedText = Format("%d", static_cast<int>(processor.MissedTotal()));
    state_.recentMissedIcon = tickOfLastMissed_ > 0 && tick_ - tickOfLastMissed_ < kRecentMissedTicks;
}

}  // namespace orva
