#include "station/Station.h"

#include "camera/ConnectMenuModel.h"
#include "common/AppPaths.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "recording/FitsCaptureSink.h"

#include <algorithm>
#include <cstdio>

namespace orva {
namespace {

std::string ModeRangeText(int count, const char* what) {
    return std::to_string(count) + " " + what + " (0.." + std::to_string(count - 1) + ")";
}

}  // namespace

Station::Station(const StationOptions& options)
    : settings_(*options.settings),
      ui_(*options.ui),
      clock_(*options.clock),
      observers_(options.observers ? *options.observers : ObserverManager::Instance()),
      sites_(options.sites ? *options.sites : ObservingSiteManager::Instance()),
      instruments_(options.instruments ? *options.instruments : InstrumentManager::Instance()),
      mounts_(options.mounts ? *options.mounts : MountManager::Instance()),
      events_(options.dataDirectory.empty() ? AppPaths::DataDirectory() : options.dataDirectory),
      stream_([this, &options] {
          MediaStreamOptions o;
          o.clock = options.clock;
          o.exposureTimeMs = [this] { return exposureMs_.load(); };
          // The producer thread must not wait for a window: the warning is shown at the next tick.
          o.showWarning = [this](const std::string& title, const std::string& text) {
              std::lock_guard lock(postedMutex_);
              postedWarnings_.emplace_back(title, text);
          };
          return std::make_unique<COrvaMediaStream>(o);
      }()),
      streamAdapter_(*stream_),
      manager_(*options.devices, streamAdapter_, *options.clock),
      recovery_(manager_, ui_),
      firmwareUpdate_(manager_, settings_, ui_, clock_),
      tools_(ObservingTools::Services{settings_, ui_, clock_, events_, options.telescopeDrivers, options.telescopeState,
                                    PlanetariumHandoff::kDefaultPort, &guiding_}) {
    events_.SetUiServices(&ui_);
    // The settings outlive the station: they show their failures through its UI while it runs.
    settings_.SetUiServices(&ui_);
    FrameProcessorOptions processorOptions;
    processorOptions.threadCount = options.frameProcessorThreads > 0
                                       ? options.frameProcessorThreads
                                       : FrameProcessor::ThreadCountFromSetting(settings_.NofFrameProcessorThreads);
    processorOptions.cameras = &cameraSlot_;
    // Guiding's box keeps the size chosen last.
    if (settings_.GuidingTrackingRadius > 0) guiding_.radius = settings_.GuidingTrackingRadius;
    processorOptions.guiding = &guiding_;
    processorOptions.gpsLog = &gpsLog_;
    processorOptions.histogram = &histogram_;
    processorOptions.clock = options.clock;
    processor_ = std::make_unique<FrameProcessor>(processorOptions);
    stream_->SetFrameProcessor(processor_.get());
    cameraClient_ = std::make_unique<MainFrameCameraClient>(manager_, recovery_, ui_, *this);
    // Streaming for the update goes the station's way: the frame processor stays attached.
    firmwareUpdate_.startStreaming = [this] { StartStreaming(); };
    firmwareUpdate_.stopStreaming = [this] { StopStreaming(); };
    manager_.RegisterDeviceNotifications([this](const DeviceChangeNotification& n) {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(n);
    });
    ApplySettings();
}

Station::~Station() {
    Shutdown();
    settings_.SetUiServices(nullptr);
}

void Station::ApplySettings() {
    processor_->SetUseTimeResolution100us(settings_.UseTimeResolution100us != 0);
    processor_->SetPerformanceLogEnabled(settings_.PerformanceLogEnabled.IsOn());
    processor_->SetShowOverflow(settings_.ShowOverflow.IsOn());
    // The GPS log lives in the application log's folder.
    gpsLog_.InitGpsLog(settings_.LogDirectory, settings_.GpsLogEnabled.IsOn());
}

void Station::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    tools_.Shutdown();
    eventFeed_.Stop();
    firmwareUpdate_.CloseCancelled();
    cameraClient_->SetClosing(true);
    StopStreaming();
    manager_.DoDisconnectCamera();
    manager_.UnregisterDeviceNotifications();
    cameraSlot_.Set(nullptr);
    gpsLog_.CloseGpsLog();
}

void Station::RefreshCameraList() { cameraClient_->RefreshCameraList(); }

const CameraManager::CameraList& Station::CameraList() const { return cameraClient_->CameraList(); }

void Station::SetOverlayMode(int index) {
    if (CameraExtensionUnit* eu = ActiveExtensionUnit()) eu->SetOverlayMode(index);
}

void Station::ShowPpsMarker(bool on) {
    if (CameraExtensionUnit* eu = ActiveExtensionUnit()) eu->ShowHideMarker1ppsIsr(on);
}

void Station::ClipOnOverflow() {
    if (CameraExtensionUnit* eu = ActiveExtensionUnit()) eu->SetClipOnOverflow();
    processor_->SetClipOnOverflow(true);
}

void Station::ShowOverflow(bool on) { processor_->SetShowOverflow(on); }

CameraExtensionUnit* Station::ActiveExtensionUnit() const {
    const auto unit = manager_.ActiveCameraUnit();
    return unit ? unit->ExtensionUnit() : nullptr;
}

std::string Station::ActiveCameraName() const {
    const auto unit = manager_.ActiveCameraUnit();
    return unit ? unit->FriendlyName() : std::string();
}

ConnectMenuModel Station::ConnectMenu() const { return cameraClient_->ConnectMenu(); }

void Station::RestartCamera() { cameraClient_->OnCameraRestartClick(); }

std::optional<std::string> Station::PrepareCapturePath(char kind) {
    return RecordingControl(settings_, *processor_, ui_).PrepareCapturePath(kind, CurrentRecordingCamera());
}

bool Station::StartFitsCapture(FitsRecordingJob& job, const std::string& path) {
    return processor_->StartFitsCapture(&job, std::make_unique<FitsCaptureSink>(path, CurrentRecordingNames(), ""));
}

std::unique_ptr<SatConfigDialogModel> Station::MakeSatConfigDialog() {
    return std::make_unique<SatConfigDialogModel>(manager_, settings_, clock_);
}

std::unique_ptr<GnssSelectionDialogModel> Station::MakeGnssSelectionDialog() {
    return std::make_unique<GnssSelectionDialogModel>(manager_, ui_, clock_);
}

bool Station::Connect(std::string symbolicLink, std::string& error) {
    RefreshCameraList();
    const auto& cameras = CameraList();
    std::size_t index = 0;
    while (index < cameras.size() && cameras[index]->SymbolicLink() != symbolicLink) ++index;
    if (index == cameras.size()) {
        error = "the camera " + symbolicLink + " is not listed";
        return false;
    }
    settingsError_.clear();
    cameraClient_->OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId + static_cast<int>(index));
    if (!settingsError_.empty()) {
        error = settingsError_;
        Disconnect();
        return false;
    }
    // Otherwise a message shown on the way has said why.
    return manager_.ActiveCameraUnit() != nullptr;
}

void Station::Disconnect() {
    StopStreaming();
    cameraClient_->OnCameraDisconnectClick();
    cameraSlot_.Set(nullptr);
    mode_ = nullptr;
}

bool Station::StartStreaming() {
    const auto& unit = manager_.ActiveCameraUnit();
    if (!unit) {
        LogMessage("E StartStreaming: Camera not accessible");
        return false;
    }
    unit->LogCalibrationStatus();
    processor_->SetSuspended(false);
    stream_->SetFrameProcessor(processor_.get());
    stream_->StartStreamingBlocking();
    return stream_->IsStreaming();
}

void Station::StopStreaming() {
    // Cleared first: a frame being consumed now finishes before the queue is emptied.
    stream_->SetFrameProcessor(nullptr);
    if (stream_->IsStreaming()) stream_->StopStreamingBlocking();
}

std::string Station::ExposureText() const {
    return CameraExtensionUnit::ExposureText(cameraSettings_.exposureMs, settings_.UseTimeResolution100us != 0);
}

int Station::HandleDeviceNotifications() {
    std::deque<DeviceChangeNotification> messages;
    {
        std::lock_guard lock(postedMutex_);
        messages.swap(posted_);
    }
    int handled = 0;
    for (const auto& n : messages) {
        handled += cameraClient_->CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &n) ? 1 : 0;
    }
    return handled;
}

void Station::RequestPicture() {
    processor_->SetDisplayTarget(&snapshot_);
    processor_->RequestDisplay();
}

void Station::Tick() {
    std::deque<std::pair<std::string, std::string>> warnings;
    {
        std::lock_guard lock(postedMutex_);
        warnings.swap(postedWarnings_);
    }
    for (const auto& [title, text] : warnings) ui_.ShowMessage(title, text, MessageIcon::Warning);
    // A removal closes the firmware update before it would send to a camera that is gone.
    HandleDeviceNotifications();
    firmwareUpdate_.Tick(kFirmwareUpdateBudget);
    cameraClient_->OnTimerTick();
    processor_->SendCameraCommands();
    events_.Tick();
    tools_.Tick();
    if (solvingCapture_) solvingCapture_->Step();
}

bool Station::UseOwnPlateSolvingCapture() {
    if (solvingCapture_) return true;
    auto capture = std::make_unique<StationPlateSolvingCapture>(*this);
    if (!tools_.SetPlateSolvingCapture(capture.get())) return false;
    solvingCapture_ = std::move(capture);
    return true;
}

bool Station::ApplyCameraSettings(std::string& error) {
    const auto& unit = manager_.ActiveCameraUnit();
    if (!unit || unit->Model() == nullptr) {
        error = "no camera is connected";
        return false;
    }
    settingsError_.clear();
    ApplyCameraSettings(*unit);
    error = settingsError_;
    return error.empty();
}

RecordingCamera Station::CurrentRecordingCamera() {
    RecordingCamera c;
    const auto& unit = manager_.ActiveCameraUnit();
    c.connected = unit != nullptr;
    c.streaming = stream_->IsStreaming();
    if (unit) c.snapshot = RecordingCameraSnapshot::Of(*unit);
    c.extensionUnit = unit ? unit->ExtensionUnit() : nullptr;
    c.width = mode_ ? mode_->Width() : 0;
    c.height = mode_ ? mode_->Height() : 0;
    c.gainText = gainText_;
    c.exposureText = ExposureText();
    return c;
}

bool Station::StartEventFeed(const OwEventReceiver::Options& options) { return eventFeed_.Start(options); }

RecordingEquipment Station::CurrentEquipment() const {
    const auto name = [](const EquipmentManager& list) {
        const EquipmentEntry* entry = list.Current();
        return entry ? entry->name : std::string();
    };
    RecordingEquipment e;
    e.observer = name(observers_);
    e.observingSite = name(sites_);
    e.instrument = name(instruments_);
    e.mount = name(mounts_);
    return e;
}

double Station::GetImageScale() const {
    const auto& unit = manager_.ActiveCameraUnit();
    const CameraModel* model = unit ? unit->Model() : nullptr;
    const double pixelSizeUm = model ? model->GetPixelSizeUm() : 0.0;
    const int binning = model && mode_ ? mode_->Binning() : 1;
    const EquipmentEntry* instrument = instruments_.Current();
    const double focalLengthMm = instrument ? instrument->Integer("FocalLength") * instrument->Real("FlFactor") : 0.0;
    return CameraModel::ComputeImageScale(pixelSizeUm, binning, focalLengthMm);
}

RecordingNames Station::CurrentRecordingNames() const {
    const auto& unit = manager_.ActiveCameraUnit();
    const CameraModel* model = unit ? unit->Model() : nullptr;
    return orva::CurrentRecordingNames(observers_, instruments_, model, &sites_);
}

void Station::LoadCameraControls(CameraUnit* unit) {
    if (unit != nullptr && unit->Model() != nullptr) ApplyCameraSettings(*unit);
    if (frontEnd_) frontEnd_->LoadCameraControls(unit);
}

std::string Station::CheckCameraSettings(const CameraModel& model, const StationCameraSettings& settings) const {
    if (model.GetVideoResolution(settings.modeIndex) == nullptr) {
        return "video mode " + std::to_string(settings.modeIndex) + " does not exist; the camera has " +
               ModeRangeText(model.GetResolutionCount(), "modes");
    }
    if (model.GetGainCount() > 0 && (settings.gainIndex < 0 || settings.gainIndex >= model.GetGainCount())) {
        return "gain " + std::to_string(settings.gainIndex) + " does not exist; the camera has " +
               ModeRangeText(model.GetGainCount(), "gain steps");
    }
    return {};
}

void Station::ApplyCameraSettings(CameraUnit& unit) {
    const CameraModel& model = *unit.Model();
    settingsError_ = CheckCameraSettings(model, cameraSettings_);
    if (!settingsError_.empty()) return;
    ApplyMode(unit, *model.GetVideoResolution(cameraSettings_.modeIndex));
    exposureMs_ = cameraSettings_.exposureMs;
    stream_->SetExpectedFrameTimeMs(cameraSettings_.exposureMs);
    ApplyExposureAndGain(unit);
}

bool Station::ChangeCameraSettings(const StationCameraSettings& settings, std::string& error) {
    const auto& unit = manager_.ActiveCameraUnit();
    if (!unit || unit->Model() == nullptr) {
        cameraSettings_ = settings;
        error = "no camera is connected";
        return false;
    }
    const CameraModel& model = *unit->Model();
    error = CheckCameraSettings(model, settings);
    if (!error.empty()) return false;
    const VideoResolution* mode = model.GetVideoResolution(settings.modeIndex);
    if (mode != unit->ActiveVideoResolution() || mode != mode_) {
        if (stream_->IsStreaming()) {
            error = "the video mode can only change while the stream is stopped";
            return false;
        }
        ApplyMode(*unit, *mode);
    }
    const StationCameraSettings previous = cameraSettings_;
    cameraSettings_ = settings;
    if (settings.exposureMs != previous.exposureMs) {
        exposureMs_ = settings.exposureMs;
        stream_->SetExpectedFrameTimeMs(settings.exposureMs);
    }
    ApplyExposureAndGain(*unit, &previous);
    return true;
}

void Station::ApplyMode(CameraUnit& unit, const VideoResolution& mode) {
    mode_ = &mode;
    manager_.SetActiveVideoResolution(mode_);
    stream_->SetResolution(static_cast<uint32_t>(mode_->TransferWidth()) << 16 | static_cast<uint32_t>(mode_->Height()));
    auto adapter = FrameCameraAdapter::ForUnit(unit.shared_from_this());
    adapter->SetResolution(mode_);
    cameraSlot_.Set(adapter);
}

void Station::SendExposure(CameraUnit& unit) {
    CameraExtensionUnit& eu = *unit.ExtensionUnit();
    // A 1920-pixel-wide mode over USB2 runs on the camera's longer frame times.
    const bool frameTimeFlag =
        mode_ != nullptr && CameraModel::IsUsb2FullWidth(unit.Status().Load().linkType, mode_->Width());
    if (settings_.UseTimeResolution100us != 0) {
        eu.SetExposureTime100us(CameraExtensionUnit::ExposureValue100us(cameraSettings_.exposureMs), frameTimeFlag);
    } else {
        eu.SetExposureTimeMs(CameraExtensionUnit::ExposureValueMs(cameraSettings_.exposureMs), frameTimeFlag);
    }
}

void Station::ApplyExposureAndGain(CameraUnit& unit, const StationCameraSettings* previous) {
    CameraExtensionUnit* eu = unit.ExtensionUnit();
    if (eu == nullptr || unit.Model() == nullptr) return;
    const StationCameraSettings& s = cameraSettings_;
    const StationCameraSettings* p = previous;
    if (!p || p->exposureMs != s.exposureMs) SendExposure(unit);
    if (unit.Model()->GetGainCount() > 0 && (!p || p->gainIndex != s.gainIndex)) {
        eu->SetGain(unit.Model()->GetGainCode(s.gainIndex));
    }
    if (!p || p->flipIndex != s.flipIndex) eu->SetFlipMode(s.flipIndex);
    if (!p || p->blackLevel != s.blackLevel) eu->SetBlackLevel(std::max<int64_t>(s.blackLevel, 0));
    if (!p || p->highGain != s.highGain) eu->SetHighGain(s.highGain);
    if (!p || p->eightBit != s.eightBit) {
        eu->SetEightSixteenBit(s.eightBit);
        processor_->SetEightBit(s.eightBit);
    }
    if (!p || p->invert != s.invert) eu->SetInvertImage(s.invert);
    gainText_ = unit.Model()->GetGainText(s.gainIndex);
    if (previous == nullptr && recordingMarker_) eu->SetRecording(true);
}

void Station::SetStatisticsCountdown(int ticks) {
    if (frontEnd_) frontEnd_->SetStatisticsCountdown(ticks);
}

void Station::RefreshCommandStates() {
    if (frontEnd_) frontEnd_->RefreshCommandStates();
}

void Station::RefreshMenus() {
    if (frontEnd_) frontEnd_->RefreshMenus();
}

bool Station::IsFirmwareUpdateDialogOpen() {
    return firmwareUpdate_.IsOpen() || (frontEnd_ != nullptr && frontEnd_->IsFirmwareUpdateDialogOpen());
}

void Station::CloseFirmwareUpdateDialogCancelled() {
    firmwareUpdate_.CloseCancelled();
    if (frontEnd_) frontEnd_->CloseFirmwareUpdateDialogCancelled();
}

bool Station::SaveCameraStatus(LinkRecoverySnapshot& snapshot) {
    const auto& unit = manager_.ActiveCameraUnit();
    if (!unit) return false;
    snapshot.cameraName = unit->FriendlyName();
    snapshot.resolutionText = LinkRecoveryController::ResolutionText(unit->ActiveVideoResolution());
    snapshot.exposureText = ExposureText();
    snapshot.blackLevelText = std::to_string(std::max<int64_t>(cameraSettings_.blackLevel, 0));
    snapshot.wasStreaming = stream_->IsStreaming();
    snapshot.sampleCounter = -1;
    snapshot.flipIndex = cameraSettings_.flipIndex;
    return true;
}

void Station::RestoreCameraStatus(const LinkRecoverySnapshot&) {
    // The stream runs again by now: the mode stays, the rest is sent once more.
    if (const auto& unit = manager_.ActiveCameraUnit()) ApplyExposureAndGain(*unit);
}

}  // namespace orva
