#pragma once
// The "Firmware Update" dialog without its widgets: the Camera menu's "Update firmware..."
// command (camera check, firmware-update mode of the camera unit, the offer to stream
// meanwhile), the dialog's fields, enabling rules, status and progress texts, and the
// engine it runs. The view shows the getters after each Tick and forwards its buttons.
//
// The owner (the station) keeps one model for the life of the program, so the two error
// boxes of the firmware channel appear only for the first such failure of the run, and
// steps it from its timer with a time budget (see FirmwareUpdate::Tick).
//
// Threads: GUI thread only.

#include "camera/CameraManager.h"
#include "camera/FirmwareUpdate.h"
#include "common/Clock.h"
#include "common/IUiServices.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orva {

class Settings;

class FirmwareUpdateDialogModel {
public:
    static constexpr const char* kTitle = "Firmware Update";
    static constexpr const char* kFileLabel = "Firmware";
    static constexpr const char* kSelectButton = "Select...";
    static constexpr const char* kSlotLabel = "Slot";
    static constexpr const char* kRunButton = "Run";
    static constexpr const char* kCancelButton = "Cancel";
    static constexpr const char* kFilePickerTitle = "Select Camera Firmware File";
    static constexpr const char* kFileFilter = "Firmware Files (*.dat)|*.dat||All Files (*.*)|*.*||";

    FirmwareUpdateDialogModel(CameraManager& manager, Settings& settings, IUiServices& ui, Clock& clock);
    ~FirmwareUpdateDialogModel();

    // The menu command: false (after the "No camera" box) without an active camera.
    bool Open(bool shiftHeld);
    // "Select...".
    void SelectFile();
    // "Run": saves the file path and starts a new engine on the selected slot.
    void Run();
    // The dialog's timer: steps the engine for at most `budget`, then refreshes status and
    // progress; after a successful update the dialog closes with the success box.
    void Tick(Clock::Duration budget);
    // "Cancel"; ignored while the update runs (the button is disabled then).
    void Cancel();
    // The camera's link broke: the dialog closes as cancelled, whatever it was doing.
    void CloseCancelled();
    bool IsOpen() const { return open_; }

    // Called to start streaming before the dialog and to stop it after; by default the
    // camera manager's stream.
    std::function<void()> startStreaming;
    std::function<void()> stopStreaming;
    // Shows the serial-number dialog; nothing when it was cancelled.
    std::function<std::optional<uint32_t>()> askSerialNumber;

    // The view's fields.
    std::string firmwareFile;
    int selectedSlot = FirmwareUpdate::kSlotImg1;

    bool SlotListEnabled() const { return slotListEnabled_ && ControlsEnabled(); }
    // File edit, "Select...", "Run" and "Cancel".
    bool ControlsEnabled() const { return !engine_ || !engine_->IsRunning(); }
    const std::string& ActiveSlotText() const { return activeSlotText_; }
    const std::string& StatusText() const { return statusText_; }
    int ProgressPercent() const { return progress_; }
    // "%d%%", empty after a failure.
    const std::string& ProgressText() const { return progressText_; }
    // The bar is shown red after a failure.
    bool ProgressFailed() const { return progressFailed_; }
    const FirmwareUpdate* Engine() const { return engine_.get(); }

private:
    void ReportTransportFailure(FirmwareUpdate& engine);
    void SetProgress(int percent);
    void Close();

    CameraManager& manager_;
    Settings& settings_;
    IUiServices& ui_;
    Clock& clock_;
    std::shared_ptr<CameraUnit> unit_;
    std::unique_ptr<FirmwareUpdate> engine_;
    bool open_ = false;
    bool slotListEnabled_ = false;
    bool startedStreaming_ = false;
    bool sendFailureShown_ = false;
    bool readFailureShown_ = false;
    std::string activeSlotText_;
    std::string statusText_;
    int progress_ = 0;
    std::string progressText_;
    bool progressFailed_ = false;
};

}  // namespace orva
