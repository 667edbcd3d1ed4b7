#include "CliFirmwareCommand.h"

#include "CliCamerasCommand.h"
#include "CliExit.h"
#include "CliProgressLine.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"
#include "CliStationLock.h"
#include "CliStationLoop.h"

#include "camera/FirmwareUpdate.h"
#include "camera/FirmwareUpdateDialogModel.h"
#include "camera/SerialNumberDialogModel.h"
#include "common/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli firmware";

struct FirmwareOptions {
    CliCameraSettings camera;
    std::string file;
    std::optional<int> slot;
    std::optional<std::string> serial;
};

int UsageError(const std::string& message) { return CliExit::Usage(kCommand, message); }
int Failure(const std::string& message) { return CliExit::Failure(kCommand, message); }

std::optional<int> SlotByName(const std::string& name) {
    for (int slot = 0; slot < FirmwareUpdate::kSlotCount; ++slot) {
        const std::string known = FirmwareUpdate::SlotName(slot);
        if (std::equal(name.begin(), name.end(), known.begin(), known.end(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == b;
            })) {
            return slot;
        }
    }
    return std::nullopt;
}

std::optional<FirmwareOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    const auto line = CommandLine::Parse(args, {{"camera"}, {"slot"}, {"serial"}}, 1, error);
    if (!line) return std::nullopt;
    FirmwareOptions o;
    const auto sensor = CliCamerasCommand::CameraOption(*line, error);
    if (!sensor) return std::nullopt;
    o.camera.sensorCode = *sensor;
    if (line->Operands().size() != 1) {
        error = "give the firmware file (.dat) to write";
        return std::nullopt;
    }
    o.file = std::filesystem::absolute(line->Operands()[0]).string();
    if (const auto slot = line->Value("slot")) {
        o.slot = SlotByName(*slot);
        if (!o.slot) {
            error = "unknown slot '" + *slot + "' (IMG-1, IMG-2, S2BL or IMG-R)";
            return std::nullopt;
        }
    }
    if (const auto serial = line->Value("serial")) {
        if (!SerialNumberDialogModel::Parse(*serial)) {
            error = "The serial number is invalid. Please enter a value of 1 or greater.";
            return std::nullopt;
        }
        o.serial = serial;
    }
    return o;
}

// The active slot as the camera reports it.
std::string ActiveSlotName(int code) {
    switch (code) {
    case FirmwareUpdate::kActiveImg1:
        return "IMG-1";
    case FirmwareUpdate::kActiveImg2:
        return "IMG-2";
    case FirmwareUpdate::kActiveNone:
        return "none";
    case FirmwareUpdate::kActiveUnknown:
        return "unknown (the camera did not answer)";
    default:
        return std::to_string(code);
    }
}

class FirmwareRun {
public:
    explicit FirmwareRun(const FirmwareOptions& options)
        : o_(options), station_(options.camera, SimFaultPlan{}, kCommand) {}

    int Run();

private:
    std::optional<uint32_t> AskSerialNumber();
    int Finish();

    const FirmwareOptions& o_;
    CliStation station_;
    bool serialMissing_ = false;
};

std::optional<uint32_t> FirmwareRun::AskSerialNumber() {
    if (!o_.serial) {
        serialMissing_ = true;
        return std::nullopt;
    }
    // The GUI's dialog, answered by the command line.
    SerialNumberDialogModel dialog(station_.Ui());
    dialog.Open();
    dialog.text = *o_.serial;
    if (!dialog.Ok()) return std::nullopt;
    return dialog.Value();
}

int FirmwareRun::Run() {
    std::string error;
    if (!station_.Connect(error)) return Failure(error);
    Station& station = station_.Core();
    FirmwareUpdateDialogModel& dialog = station.FirmwareUpdateDialog();
    dialog.askSerialNumber = [this] { return AskSerialNumber(); };
    // Choosing the slot is what Shift does in the GUI.
    if (!dialog.Open(o_.slot.has_value())) return Failure("");
    const auto unit = station.ActiveCamera();
    std::printf("camera: %s %s\n", unit->Model() ? unit->Model()->GetDisplayName().c_str() : unit->FriendlyName().c_str(),
                dialog.ActiveSlotText().c_str());
    if (o_.slot) dialog.selectedSlot = *o_.slot;
    dialog.firmwareFile = o_.file;
    std::printf("writing %s into slot %s\n", o_.file.c_str(), FirmwareUpdate::SlotName(dialog.selectedSlot));
    std::fflush(stdout);
    dialog.Run();
    const FirmwareUpdate* engine = dialog.Engine();
    if (engine == nullptr || engine->State() == FirmwareUpdateState::Error) {
        const std::string status = dialog.StatusText();
        dialog.Cancel();
        if (serialMissing_) {
            return Failure("the camera reports no serial number: give it with --serial N (it is on the camera's type "
                           "plate); nothing was erased");
        }
        return Failure("refused, nothing was erased: " + status);
    }

    CliProgressLine progress;
    CliStationLoop loop(station);
    while (dialog.IsOpen() && dialog.Engine() != nullptr && dialog.Engine()->IsRunning()) {
        if (CliSignals::StopRequested()) {
            progress.End();
            const std::string slot = FirmwareUpdate::SlotName(dialog.Engine()->Slot());
            dialog.CloseCancelled();
            return Failure("stopped by the user: slot " + slot + " is incomplete; run the update again");
        }
        progress.Show(dialog.StatusText() + "  " + dialog.ProgressText());
        loop.Step();
    }
    progress.End();
    return Finish();
}

int FirmwareRun::Finish() {
    FirmwareUpdateDialogModel& dialog = station_.Core().FirmwareUpdateDialog();
    if (dialog.IsOpen()) {
        // The update failed: the dialog stays open with the reason, as in the GUI.
        const std::string status = dialog.StatusText();
        dialog.Cancel();
        return Failure(status);
    }
    // Closed without reaching 100 %: the link broke and the station has said so.
    if (dialog.ProgressPercent() != 100 || dialog.ProgressFailed()) return Failure("");
    std::printf("written and verified: slot %s\n", FirmwareUpdate::SlotName(dialog.selectedSlot));
    const auto unit = station_.Core().ActiveCamera();
    if (unit && unit->ExtensionUnit()) {
        FirmwareUpdate probe(*unit->ExtensionUnit(), station_.Core().GetClock());
        std::printf("active slot: %s\n", ActiveSlotName(probe.FetchImageSlot()).c_str());
    }
    std::printf("the camera runs the new firmware after its next power cycle\n");
    std::fflush(stdout);
    return CliExit::kDone;
}

}  // namespace

int CliFirmwareCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return UsageError(error);
    CliStationLock lock(kCommand);
    if (!lock.Take()) return CliExit::kStationBusy;
    CliSession session;
    CliSignals::InstallStopHandler();
    FirmwareRun run(*options);
    return run.Run();
}

}  // namespace orva
