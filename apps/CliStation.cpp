#include "CliStation.h"

#include "camera/ConnectMenuModel.h"
#include "common/Log.h"
#include "simcam/SkyRenderer.h"

#include <cstdio>

namespace orva {
namespace {

SimCameraConfig CameraConfig(uint8_t sensorCode) {
    SimCameraConfig config;
    config.identity.sensorCode = sensorCode;
    return config;
}

}  // namespace

CliStation::CliStation(const CliCameraSettings& settings, std::vector<CliFault> faults)
    : settings_(settings),
      camera_(std::make_shared<SimulatedCamera>(CameraConfig(settings.sensorCode), SteadyClock::Instance())),
      devices_({camera_}),
      stream_([this] {
          MediaStreamOptions o;
          o.exposureTimeMs = [exposure = settings_.exposureMs] { return exposure; };
          o.showWarning = [](const std::string& title, const std::string& text) {
              std::fprintf(stderr, "%s\n", CliUiServices::OneLine(title, text).c_str());
          };
          return std::make_unique<COrvaMediaStream>(o);
      }()),
      streamAdapter_(*stream_),
      manager_(devices_, streamAdapter_),
      ui_("orvacam-cli record"),
      recovery_(manager_, ui_) {
    auto plan = std::make_unique<CliFaultPlan>(*camera_, std::make_unique<SkyRenderer>(camera_->Config().sky),
                                               std::move(faults));
    faultPlan_ = plan.get();
    camera_->SetPictureSource(std::move(plan));

    FrameProcessorOptions options;
    options.threadCount = settings.frameProcessorThreads;
    options.cameras = &cameraSlot_;
    options.guiding = &guiding_;
    options.gpsLog = &gpsLog_;
    options.histogram = &histogram_;
    processor_ = std::make_unique<FrameProcessor>(options);
    stream_->SetFrameProcessor(processor_.get());
    stream_->SetExpectedFrameTimeMs(settings.exposureMs);
    frame_ = std::make_unique<MainFrameCameraClient>(manager_, recovery_, ui_, *this);
    manager_.RegisterDeviceNotifications([this](const DeviceChangeNotification& n) {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(n);
    });
}

CliStation::~CliStation() {
    camera_->HoldDelivery(false);
    frame_->SetClosing(true);
    StopFrames();
    manager_.DoDisconnectCamera();
    manager_.UnregisterDeviceNotifications();
    frame_.reset();
}

bool CliStation::Connect(std::string& error) {
    frame_->RefreshCameraList();
    const auto& cameras = frame_->CameraList();
    std::size_t index = 0;
    while (index < cameras.size() && cameras[index]->SymbolicLink() != camera_->SymbolicLink()) ++index;
    if (index == cameras.size()) {
        error = "the simulated camera is not listed";
        return false;
    }
    frame_->OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId + static_cast<int>(index));
    if (settingsError_) {
        error = settingsErrorText_;
        return false;
    }
    if (!manager_.ActiveCameraUnit()) {
        // A message shown on the way has said why.
        error = ui_.LastMessage().empty() ? std::string("the camera could not be connected") : std::string();
        return false;
    }
    return true;
}

void CliStation::LoadCameraControls(CameraUnit* unit) {
    if (unit == nullptr || unit->Model() == nullptr) return;
    ApplyCameraSettings(*unit);
}

void CliStation::ApplyCameraSettings(CameraUnit& unit) {
    const CameraModel& model = *unit.Model();
    mode_ = model.GetVideoResolution(settings_.modeIndex);
    if (mode_ == nullptr) {
        settingsError_ = true;
        settingsErrorText_ = "video mode " + std::to_string(settings_.modeIndex) + " does not exist; the camera has " +
                             std::to_string(model.GetResolutionCount()) + " modes (0.." +
                             std::to_string(model.GetResolutionCount() - 1) + ")";
        return;
    }
    if (model.GetGainCount() > 0 && (settings_.gainIndex < 0 || settings_.gainIndex >= model.GetGainCount())) {
        settingsError_ = true;
        settingsErrorText_ = "gain " + std::to_string(settings_.gainIndex) + " does not exist; the camera has " +
                             std::to_string(model.GetGainCount()) + " gain steps (0.." +
                             std::to_string(model.GetGainCount() - 1) + ")";
        return;
    }
    manager_.SetActiveVideoResolution(mode_);
    stream_->SetResolution(static_cast<uint32_t>(mode_->TransferWidth()) << 16 | static_cast<uint32_t>(mode_->Height()));
    ApplyExposureAndGain(unit);
    gainText_ = model.GetGainText(settings_.gainIndex);
    auto adapter = FrameCameraAdapter::ForUnit(unit.shared_from_this());
    adapter->SetResolution(mode_);
    cameraSlot_.Set(adapter);
}

void CliStation::ApplyExposureAndGain(CameraUnit& unit) {
    CameraExtensionUnit* eu = unit.ExtensionUnit();
    if (eu == nullptr || unit.Model() == nullptr) return;
    eu->SetExposureTimeMs(CameraExtensionUnit::ExposureValueMs(settings_.exposureMs), false);
    if (unit.Model()->GetGainCount() > 0) eu->SetGain(unit.Model()->GetGainCode(settings_.gainIndex));
    // A camera back from a lost link starts without the marker.
    if (recordingMarker_) eu->SetRecording(true);
}

bool CliStation::SaveCameraStatus(LinkRecoverySnapshot& snapshot) {
    const auto& unit = manager_.ActiveCameraUnit();
    if (!unit) return false;
    snapshot.cameraName = unit->FriendlyName();
    snapshot.resolutionText = LinkRecoveryController::ResolutionText(unit->ActiveVideoResolution());
    char exposure[32];
    std::snprintf(exposure, sizeof(exposure), "%g", settings_.exposureMs);
    snapshot.exposureText = exposure;
    snapshot.blackLevelText = "0";
    snapshot.wasStreaming = stream_->IsStreaming();
    snapshot.sampleCounter = -1;
    snapshot.flipIndex = 0;
    return true;
}

void CliStation::RestoreCameraStatus(const LinkRecoverySnapshot&) {
    // The stream runs again by now: the mode stays, the rest is sent once more.
    if (const auto& unit = manager_.ActiveCameraUnit()) ApplyExposureAndGain(*unit);
}

bool CliStation::StartStreamingHeld() {
    camera_->HoldDelivery(true);
    stream_->StartStreamingBlocking();
    return stream_->IsStreaming();
}

void CliStation::RestartFaultPlan() { faultPlan_->Restart(); }

void CliStation::StopFrames() {
    // Cleared first: a frame being consumed now finishes before the queue is emptied.
    stream_->SetFrameProcessor(nullptr);
    camera_->HoldDelivery(false);
    if (stream_->IsStreaming()) stream_->StopStreamingBlocking();
}

void CliStation::Tick() {
    std::deque<DeviceChangeNotification> messages;
    {
        std::lock_guard lock(postedMutex_);
        messages.swap(posted_);
    }
    for (const auto& n : messages) frame_->CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &n);
    frame_->OnTimerTick();
}

}  // namespace orva
