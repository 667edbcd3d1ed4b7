#include "camera/FirmwareUpdateDialogModel.h"

#include "common/Log.h"
#include "common/Settings.h"

#include <utility>

namespace orva {
namespace {

constexpr const char* kStreamingQuestion =
    "It is recommended to enable streaming during firmware update to avoid a de-activation of the camera due to "
    "inactivity. Would you like to start streaming now?";

}  // namespace

FirmwareUpdateDialogModel::FirmwareUpdateDialogModel(CameraManager& manager, Settings& settings, IUiServices& ui,
                                                     Clock& clock)
    : manager_(manager), settings_(settings), ui_(ui), clock_(clock) {}

FirmwareUpdateDialogModel::~FirmwareUpdateDialogModel() = default;

bool FirmwareUpdateDialogModel::Open(bool shiftHeld) {
    if (open_) return true;
    unit_ = manager_.ActiveCameraUnit();
    if (!unit_ || !unit_->ExtensionUnit()) {
        unit_.reset();
        ui_.ShowMessage("No camera", "Please connect the camera and try again.", MessageIcon::Information);
        return false;
    }
    slotListEnabled_ = shiftHeld;
    unit_->SetFirmwareUpdateRunning(true);
    startedStreaming_ = false;
    if (!manager_.Stream().IsStreaming() && ui_.AskYesNo("Enable Streaming", kStreamingQuestion)) {
        if (startStreaming) {
            startStreaming();
        } else {
            manager_.Stream().StartStreamingBlocking();
        }
        startedStreaming_ = true;
    }

    LogMessage("I Opened Dialog 'Firmware Update'");
    open_ = true;
    engine_.reset();
    firmwareFile = settings_.UpdateFirmwareFile;
    statusText_ = "Select firmware image and click on \"Run\".";
    progressFailed_ = false;
    progress_ = 0;
    progressText_.clear();

    FirmwareUpdate probe(*unit_->ExtensionUnit(), clock_);
    const int active = probe.FetchImageSlot();
    ReportTransportFailure(probe);
    switch (active) {
    case FirmwareUpdate::kActiveImg1:
        activeSlotText_ = "(Active: IMG-1)";
        selectedSlot = FirmwareUpdate::kSlotImg2;
        break;
    case FirmwareUpdate::kActiveImg2:
        activeSlotText_ = "(Active: IMG-2)";
        selectedSlot = FirmwareUpdate::kSlotImg1;
        break;
    case FirmwareUpdate::kActiveNone:
        activeSlotText_ = "(Active: none)";
        selectedSlot = FirmwareUpdate::kSlotImg1;
        break;
    case FirmwareUpdate::kActiveUnknown:
        // The query failed: nothing is known of what the camera runs, so the bootloader
        // slot is not offered; "Run" asks the camera again and refuses while it cannot tell.
        activeSlotText_ = "(Active: unknown)";
        selectedSlot = FirmwareUpdate::kSlotImg1;
        break;
    default:
        activeSlotText_ = FormatValueMessage("(Active: %d)", active);
        selectedSlot = FirmwareUpdate::kSlotS2bl;
        break;
    }
    return true;
}

void FirmwareUpdateDialogModel::SelectFile() {
    if (!open_ || !ControlsEnabled()) return;
    if (std::optional<std::string> path = ui_.PickFile(kFilePickerTitle, kFileFilter)) firmwareFile = *path;
}

void FirmwareUpdateDialogModel::Run() {
    if (!open_ || !ControlsEnabled() || !unit_->ExtensionUnit()) return;
    settings_.UpdateFirmwareFile = firmwareFile;
    settings_.Save();
    progressFailed_ = false;
    engine_ = std::make_unique<FirmwareUpdate>(*unit_->ExtensionUnit(), clock_);
    const CameraModel* model = unit_->Model();
    const uint32_t serial = model ? static_cast<uint32_t>(model->SerialNumber()) : 0;
    engine_->StartUpdate(firmwareFile, selectedSlot, [&]() -> std::optional<uint32_t> {
        if (serial > 0) return serial;
        return askSerialNumber ? askSerialNumber() : std::nullopt;
    });
    Tick(Clock::Duration::zero());
}

void FirmwareUpdateDialogModel::Tick(Clock::Duration budget) {
    if (!open_ || !engine_) return;
    if (budget > Clock::Duration::zero()) engine_->Tick(budget);
    ReportTransportFailure(*engine_);
    if (engine_->StatusText() != statusText_) statusText_ = engine_->StatusText();

    switch (engine_->State()) {
    case FirmwareUpdateState::Error:
        progress_ = 0;
        progressText_.clear();
        progressFailed_ = true;
        break;
    case FirmwareUpdateState::Done:
        SetProgress(100);
        engine_.reset();
        Close();
        ui_.ShowMessage("Success", "The firmware update was successful. Please re-connect the camera.",
                        MessageIcon::Information);
        break;
    default:
        SetProgress(engine_->ProgressPercent());
        break;
    }
}

void FirmwareUpdateDialogModel::SetProgress(int percent) {
    if (percent == progress_ && !progressText_.empty()) return;
    progress_ = percent;
    progressText_ = FormatValueMessage("%d%%", percent);
}

void FirmwareUpdateDialogModel::ReportTransportFailure(FirmwareUpdate& engine) {
    switch (engine.TakeTransportFailure()) {
    case FirmwareUpdate::TransportFailure::Send:
        if (!std::exchange(sendFailureShown_, true)) {
            ui_.ShowMessage("Error", "Failed to send a command or data package to the camera.", MessageIcon::Error);
        }
        break;
    case FirmwareUpdate::TransportFailure::Read:
        if (!std::exchange(readFailureShown_, true)) {
            ui_.ShowMessage("Error", "Reading the firmware update status from the camera has failed.",
                            MessageIcon::Error);
        }
        break;
    case FirmwareUpdate::TransportFailure::None:
        break;
    }
}

void FirmwareUpdateDialogModel::Cancel() {
    if (open_ && ControlsEnabled()) Close();
}

void FirmwareUpdateDialogModel::CloseCancelled() {
    if (open_) Close();
}

void FirmwareUpdateDialogModel::Close() {
    engine_.reset();
    open_ = false;
    if (unit_) unit_->SetFirmwareUpdateRunning(false);
    unit_.reset();
    if (startedStreaming_ && manager_.Stream().IsStreaming()) {
        if (stopStreaming) {
            stopStreaming();
        } else {
            manager_.Stream().StopStreamingBlocking();
        }
    }
    startedStreaming_ = false;
}

}  // namespace orva
