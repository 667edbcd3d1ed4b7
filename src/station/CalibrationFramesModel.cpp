#include "station/CalibrationFramesModel.h"

#include "common/Settings.h"
#include "processing/CalibrationImage.h"
#include "recording/FitsReader.h"
#include "station/Station.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <stdexcept>
#include <system_error>

namespace orva {
namespace {

struct SideTexts {
    const char* folderMissingTitle;
    const char* folderMissing;
    const char* fileMissingTitle;
    const char* fileMissing;
};

constexpr SideTexts kDarkTexts{
    "Dark frames directory not found",
    "The dark frames directory doesn't exist or isn't configured. Please check the settings.",
    "Dark frame not found",
    "The dark frame doesn't exist any more. Please check the dark frames directory.",
};
constexpr SideTexts kFlatTexts{
    "Flat frames directory not found",
    "The flat frames directory doesn't exist or isn't configured. Please check the settings.",
    "Flat frame not found",
    "The flat frame doesn't exist any more. Please check the flat frames directory.",
};

const SideTexts& TextsOf(CalibrationFramesModel::Kind kind) {
    return kind == CalibrationFramesModel::Kind::Dark ? kDarkTexts : kFlatTexts;
}

}  // namespace

CalibrationFramesModel::CalibrationFramesModel(Station& station) : station_(station) {}

const std::string& CalibrationFramesModel::Folder(Kind kind) const {
    const Settings& settings = station_.GetSettings();
    return kind == Kind::Dark ? settings.DarkFramesDirectory : settings.FlatFramesDirectory;
}

std::vector<std::string> CalibrationFramesModel::ListFrames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) continue;
        const std::string extension = entry.path().extension().string();
        if (extension == ".fits" || extension == ".fit") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void CalibrationFramesModel::SetChecked(Kind kind, bool checked) {
    Side& side = sides_[Index(kind)];
    if (!checked) {
        side.checked = false;
        Clear(kind);
        side.files.clear();
        return;
    }
    std::error_code error;
    const std::string& folder = Folder(kind);
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        station_.Ui().ShowMessage(TextsOf(kind).folderMissingTitle, TextsOf(kind).folderMissing, MessageIcon::Error);
        side.checked = false;
        return;
    }
    side.checked = true;
    side.files = {""};
    for (std::string& name : ListFrames(folder)) side.files.push_back(std::move(name));
    side.selected = 0;
}

void CalibrationFramesModel::UncheckBoth() {
    SetChecked(Kind::Dark, false);
    SetChecked(Kind::Flat, false);
}

bool CalibrationFramesModel::Choose(Kind kind, int index) {
    Side& side = sides_[Index(kind)];
    if (!side.checked || index < 0 || index >= static_cast<int>(side.files.size())) return false;
    if (index == 0) {
        side.selected = 0;
        Clear(kind);
        return true;
    }
    const std::string path = (std::filesystem::path(Folder(kind)) / side.files[index]).string();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        station_.Ui().ShowMessage(TextsOf(kind).fileMissingTitle, TextsOf(kind).fileMissing, MessageIcon::Error);
        SetChecked(kind, false);
        return false;
    }
    if (!Load(kind, path)) {
        side.selected = 0;
        return false;
    }
    side.selected = index;
    side.loadedPath = path;
    return true;
}

bool CalibrationFramesModel::Load(Kind kind, const std::string& path) {
    IUiServices& ui = station_.Ui();
    std::unique_ptr<FitsReaderResult> file;
    try {
        file = FitsReader().Read(path);
    } catch (const std::exception&) {
        ui.ShowMessage("Error", "The selected FITS file is corrupted.", MessageIcon::Error);
        return false;
    }
    const int width = file->header->GetNaxis1();
    const int height = file->header->GetNaxis2();
    const VideoResolution* mode = station_.Mode();
    const int cameraWidth = mode ? mode->Width() : 0;
    const int cameraHeight = mode ? mode->Height() : 0;
    if (width != cameraWidth || height != cameraHeight) {
        char text[512];
        std::snprintf(text, sizeof(text),
                      "The dimensions of the selected frame (%d x %d) are different from the dimensions of the "
                      "active camera frame (%d x %d). Please select a frame with the correct dimensions or change "
                      "the camera resolution.",
                      width, height, cameraWidth, cameraHeight);
        ui.ShowMessage("Frame size mismatch", text, MessageIcon::Error);
        return false;
    }
    auto image = std::make_shared<CalibrationImage>();
    image->width = width;
    image->height = height;
    image->pixels = std::move(file->pixels);
    if (!image->Fits(width, height)) {
        ui.ShowMessage("Error", "The selected FITS file is corrupted.", MessageIcon::Error);
        return false;
    }
    uint16_t average = 0;
    if (kind == Kind::Flat) {
        const uint64_t sum = std::accumulate(image->pixels.begin(), image->pixels.end(), uint64_t{0});
        average = static_cast<uint16_t>(sum / image->pixels.size());
        // Flat division by a black frame would turn every pixel white.
        if (average == 0) {
            ui.ShowMessage("Error", "The selected flat frame is black (its average is 0) and cannot be used.",
                           MessageIcon::Error);
            return false;
        }
    }
    Publish(kind, std::move(image), average);
    return true;
}

void CalibrationFramesModel::Publish(Kind kind, std::shared_ptr<const CalibrationImage> image, uint16_t average) {
    FrameProcessor& processor = station_.Processor();
    images_[Index(kind)] = image;
    if (kind == Kind::Dark) {
        processor.SetDarkFrame(image);
        // Without a dark the pedestal is not added either.
        processor.SetDarkEnabled(image != nullptr);
    } else {
        flatAverage_ = average;
        processor.SetFlatFrame(image, average);
    }
}

void CalibrationFramesModel::Clear(Kind kind) {
    sides_[Index(kind)].loadedPath.clear();
    Publish(kind, nullptr, 0);
}

void CalibrationFramesModel::EditOffset(const std::string& text) {
    const long long value = std::clamp<long long>(std::strtoll(text.c_str(), nullptr, 10), 0, 65535);
    offsetText_ = std::to_string(value);
    station_.Processor().SetPedestal(static_cast<uint16_t>(value));
}

}  // namespace orva
