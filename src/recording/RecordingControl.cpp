#include "recording/RecordingControl.h"

#include "camera/CameraExtensionUnit.h"
#include "common/Log.h"

#include "recording/OutputFile.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace orva {
namespace {

struct FolderTexts {
    const char* text;
    const char* title;
};

FolderTexts RecordingFolderTexts(RecordingFormat format) {
    switch (format) {
    case RecordingFormat::Ser:
        return {"The SER files directory doesn't exist or isn't configured. Please check the settings.",
                "SER files directory not found"};
    case RecordingFormat::Adv:
        return {"The ADV files directory doesn't exist or isn't configured. Please check the settings.",
                "ADV files directory not found"};
    case RecordingFormat::FitsSequence:
        break;
    }
    return {"The FITS files directory doesn't exist or isn't configured. Please check the settings.",
            "FITS files directory not found"};
}

bool FolderExists(const std::string& folder) {
    std::error_code error;
    return !folder.empty() && std::filesystem::is_directory(folder, error);
}

// A folder of the name, or with "_2", "_3", ... when a folder of that name exists: a
// sequence never writes into another one's folder. Anything else in the way is a failure.
std::optional<std::string> CreateNumberedFolder(const std::string& name) {
    for (int number = 1; number <= OutputFile::kMaxNumber; ++number) {
        const std::string folder = NumberedFileName(name, number);
        if (::mkdir(folder.c_str(), 0777) == 0) {
            if (OutputFile::SyncFolderOf(folder) != 0) return std::nullopt;
            if (number > 1) LogMessageString("W Folder name in use, recording into:", folder);
            return folder;
        }
        if (errno != EEXIST || !FolderExists(folder)) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

RecordingControl::RecordingControl(const Settings& settings, FrameProcessor& processor, IUiServices& ui,
                                   UtcDateTime (*utcNow)())
    : settings_(settings), processor_(processor), ui_(ui), utcNow_(utcNow) {}

RecordingNameParts RecordingControl::NameParts(const RecordingCamera& camera) const {
    RecordingNameParts parts;
    parts.time = utcNow_();
    parts.width = camera.width;
    parts.height = camera.height;
    parts.gainText = camera.gainText;
    parts.exposureText = camera.exposureText;
    return parts;
}

std::optional<RecordingTarget> RecordingControl::PrepareRecording(RecordingFormat format,
                                                                  const RecordingCamera& camera) {
    if (processor_.IsWriterAttached()) {
        ui_.ShowMessage("Error", "Already recording, please stop the current recording first.", MessageIcon::Error);
        return std::nullopt;
    }
    if (!camera.connected || !camera.streaming) return std::nullopt;

    const std::string& configured = format == RecordingFormat::Ser   ? settings_.SerDirectory
                                    : format == RecordingFormat::Adv ? settings_.AdvDirectory
                                                                     : settings_.FitsDirectory;
    if (!FolderExists(configured)) {
        const FolderTexts texts = RecordingFolderTexts(format);
        ui_.ShowMessage(texts.title, texts.text, MessageIcon::Error);
        return std::nullopt;
    }
    std::string folder = WithTrailingSeparator(configured);
    if (format == RecordingFormat::FitsSequence) {
        const auto created = CreateNumberedFolder(folder + FitsSequenceFolderName(utcNow_()));
        if (!created) {
            ui_.ShowMessage("Directory error",
                            "Failed to create a subdirectory for the FITS sequence. Please check the permissions.",
                            MessageIcon::Error);
            return std::nullopt;
        }
        folder = *created + "/";
    }

    RecordingTarget target;
    const char* extension = format == RecordingFormat::Ser ? "ser" : format == RecordingFormat::Adv ? "adv" : "fits";
    target.recordingPath = folder + MakeRecordingFileName(NameParts(camera), extension,
                                                          format == RecordingFormat::FitsSequence);
    if (settings_.CreateStatusCsvFile.IsOn()) {
        target.statusCsvPath = folder + MakeRecordingFileName(NameParts(camera), "csv", false);
    }
    return target;
}

bool RecordingControl::StartRecording(BaseWriter& writer, const RecordingCamera& camera,
                                      const std::optional<std::string>& objectName, const RecordingGateOptions& gate) {
    // The gate still belongs to the frame path while a recording is attached.
    if (processor_.IsWriterAttached()) return false;
    if (camera.extensionUnit == nullptr) {
        LogMessage("E Can't start recording, camera access failed");
        return false;
    }
    // A refused marker is logged by the extension unit; the recording goes on.
    camera.extensionUnit->SetRecording(true);
    if (objectName) writer.SetObjectName(*objectName);
    if (!writer.StartRecording(camera.snapshot ? &*camera.snapshot : nullptr)) {
        camera.extensionUnit->SetRecording(false);
        return false;
    }
    gate_.Reset(writer, gate, [this] { processor_.RequestStopRecording(); });
    processor_.AttachWriter(&gate_);
    stopPending_ = false;
    return true;
}

void RecordingControl::StopRecording(const RecordingCamera& camera) {
    stopPending_ = true;
    processor_.RequestStopRecording();
    if (camera.extensionUnit == nullptr) {
        LogMessage("E Can't stop recording, camera access failed");
        return;
    }
    camera.extensionUnit->SetRecording(false);
}

std::optional<std::string> RecordingControl::PrepareCapturePath(char kind, const RecordingCamera& camera) {
    const std::string& configured = kind == 'D'   ? settings_.DarkFramesDirectory
                                    : kind == 'F' ? settings_.FlatFramesDirectory
                                                  : settings_.FitsDirectory;
    if (!FolderExists(configured)) {
        const char* text =
            kind == 'D'   ? "The dark frames directory doesn't exist or isn't configured. Please check the settings."
            : kind == 'F' ? "The flat frames directory doesn't exist or isn't configured. Please check the settings."
                          : "The FITS files directory doesn't exist or isn't configured. Please check the settings.";
        ui_.ShowMessage("Directory not found", text, MessageIcon::Error);
        return std::nullopt;
    }
    // The name is claimed now with an empty file, numbered when taken, so that no other
    // capture or recording takes it while the frames are averaged; the capture then
    // replaces it whole (FitsCaptureSink).
    OutputFile claim;
    const std::string path = WithTrailingSeparator(configured) + MakeRecordingFileName(NameParts(camera), "fits", false, kind);
    if (!claim.CreateNumbered(path) || !claim.Close()) {
        LogMessageString("E Failed to create FITS file:", claim.DescribeError());
        ui_.ShowMessage("Error", "The FITS file cannot be created: " + claim.DescribeError(), MessageIcon::Error);
        return std::nullopt;
    }
    if (claim.Number() > 1) LogMessageString("W File name in use, capturing into:", claim.Path());
    return claim.Path();
}

}  // namespace orva
