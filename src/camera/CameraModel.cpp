#include "camera/CameraModel.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace orva {
namespace {

enum class GainFamily { None, SonyDecibel, Ar0130 };

struct SensorInfo {
    const char* modelLong;
    const char* modelShort;
    const char* sensorShort;
    const char* sensorLong;
    double pixelSizeUm;
    GainFamily gains;
};

constexpr SensorInfo kUnknownSensor{"Unknown", "Unknown", "Unknown", "Unknown", 999.0, GainFamily::None};

const char* const kImx174Long = "Sony IMX174LLJ-C (1/1.2\" 1920x1200 5.86um CIS)";
const char* const kImx178Long = "Sony IMX178LLJ-C (1/1.8\" 3072x2048 2.4um CIS)";

const SensorInfo& InfoFor(uint8_t code) {
    static const SensorInfo kSensors[] = {
        {"ORVA+CAM Prototype V1", "P1", "AR0130", "AR0130", 3.75, GainFamily::Ar0130},                // 2
        {"ORVA+CAM Prototype V2", "P2", "AR0130", "AR0130", 3.75, GainFamily::Ar0130},                // 3
        {"ORVA+CAM Prototype V2", "P2", "IMX174", kImx174Long, 5.86, GainFamily::SonyDecibel},        // 4
        {"ORVA+CAM Prototype V2", "P2", "IMX178", kImx178Long, 2.4, GainFamily::SonyDecibel},         // 5
        kUnknownSensor,                                                                             // 6
        {"ORVA+CAM", "ORVA+CAM", "IMX174", kImx174Long, 5.86, GainFamily::SonyDecibel},               // 7
        {"ORVA+CAM", "ORVA+CAM", "IMX178", kImx178Long, 2.4, GainFamily::SonyDecibel},                // 8
        {"ORVA+CAM", "ORVA+CAM", "IMX430", "Sony IMX430LLJ-C (9.2mm 1624x1240 4.5um CIS)", 4.5,
         GainFamily::SonyDecibel},                                                                  // 9
        {"ORVA+CAM", "ORVA+CAM", "IMX264", "Sony IMX264LLJ-C (2/3\" 2448x2048 3.45um CIS)", 3.45,
         GainFamily::SonyDecibel},                                                                  // 10
        {"ORVA+CAM", "ORVA+CAM", "GLUX9701", "Gpixel GLUX9701 (16mm 1280x1024 9.76um sCIS)", 9.76,
         GainFamily::None},                                                                         // 11
        {"ORVA+CAM", "ORVA+CAM", "GSENSE2020", "Gpixel GSENSE2020 (19mm 2048x2048 6.5um sCIS)", 6.5,
         GainFamily::None},                                                                         // 12
        {"ORVA+CAM", "ORVA+CAM", "IMX546", "Sony IMX546-AAMJ-C (11.1mm 2840x2840 2.74um CIS)", 2.74,
         GainFamily::SonyDecibel},                                                                  // 13
        {"ORVA+CAM", "ORVA+CAM", "IMX432", "Sony IMX432LLJ-C (17.6mm 1600x1100 9um CIS)", 9.0,
         GainFamily::SonyDecibel},                                                                  // 14
    };
    if (code < 2 || code > 14) return kUnknownSensor;
    return kSensors[code - 2];
}

using ModeList = std::vector<VideoResolution>;

const ModeList& ModesFor(uint8_t code) {
    static const ModeList kAr0130{{1280, 1280, 960, 1}, {640, 640, 480, 2}, {424, 424, 318, 3}, {320, 320, 240, 4}};
    static const ModeList kImx174{
        {1920, 1440, 1200, 1}, {1920, 1440, 128, 1}, {176, 132, 128, 2}, {960, 720, 600, 2}, {480, 480, 300, 4}};
    static const ModeList kImx178{
        {3072, 3072, 2048, 1}, {3072, 2304, 2048, 1}, {1536, 1536, 1024, 2}, {1024, 1024, 682, 3}};
    static const ModeList kImx430{
        {1624, 1218, 1240, 1}, {1624, 1218, 128, 1}, {176, 132, 128, 2}, {816, 612, 620, 2}, {408, 408, 310, 4}};
    static const ModeList kImx264{{2448, 2448, 2048, 1}, {2448, 1836, 2048, 1}, {1224, 1224, 1024, 2},
                                  {1224, 918, 1024, 2},  {816, 816, 682, 3},    {612, 612, 512, 4}};
    static const ModeList kGlux9701{{1280, 960, 1024, 1}, {1280, 960, 128, 1}, {640, 640, 512, 2}, {320, 320, 256, 4}};
    static const ModeList kGsense2020{{2048, 2048, 2048, 1}, {1024, 1024, 1024, 2}};
    static const ModeList kImx546{
        {2840, 2130, 2840, 1}, {2840, 2130, 128, 1}, {1424, 1068, 1420, 2}, {712, 712, 710, 4}};
    static const ModeList kImx432{{1600, 1200, 1100, 1}, {1600, 1200, 128, 1}, {800, 600, 550, 2}, {400, 400, 274, 4}};
    static const ModeList kNone;
    switch (code) {
        case 2: case 3: return kAr0130;
        case 4: case 7: return kImx174;
        case 5: case 8: return kImx178;
        case 9: return kImx430;
        case 10: return kImx264;
        case 11: return kGlux9701;
        case 12: return kGsense2020;
        case 13: return kImx546;
        case 14: return kImx432;
        default: return kNone;
    }
}

constexpr int kSonyGainSteps = 49;
constexpr const char* kAr0130GainTexts[] = {"1.00",   "1.25",   "2.00",   "2.50",   "4.00",   "5.00",
                                            "8.00",   "10.0",   "15.0 D", "20.0 D", "30.0 D", "40.0 D",
                                            "50.0 D", "60.0 D", "78.0 D", "0.09 D", "0.13 D", "0.19 D",
                                            "0.25 D", "0.38 D", "0.50 D", "0.70 D"};
constexpr int kAr0130GainSteps = static_cast<int>(std::size(kAr0130GainTexts));
// The AR0130's gain codes run 8..22 for its first 15 steps, then wrap to 1..7.
constexpr int kAr0130WrapIndex = 15;

// Black level by exposure position (rows) and gain position (columns).
constexpr double kBlackLevelTable[5][5] = {
    {200, 200, 200, 200, 200}, {195, 195, 195, 195, 195}, {195, 195, 195, 190, 185},
    {190, 190, 190, 180, 165}, {190, 185, 180, 165, 150},
};

int32_t BigEndian32(const std::array<uint8_t, 4>& b) {
    return static_cast<int32_t>((uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3]);
}

}  // namespace

CameraModel::CameraModel(std::span<const uint8_t, kExtendedVersionBlockSize> block)
    : firmwareMajor_(block[0]),
      firmwareMinor_(block[1]),
      firmwarePatch_(block[2]),
      extensionUnitVersion_(block[3]),
      sensorCode_(block[4] == 0 || block[4] == 255 ? 9 : block[4]) {
    if (extensionUnitVersion_ >= 2) {
        for (std::size_t i = 0; i < 4; ++i) {
            serialBytes_[i] = block[5 + i];
            spareBytes_[i] = block[9 + i];
        }
        serialNumber_ = BigEndian32(serialBytes_);
    }
}

std::string CameraModel::GetModelName(bool longForm) const {
    const SensorInfo& info = InfoFor(sensorCode_);
    return longForm ? info.modelLong : info.modelShort;
}

std::string CameraModel::GetSensorName(bool longForm) const {
    const SensorInfo& info = InfoFor(sensorCode_);
    return longForm ? info.sensorLong : info.sensorShort;
}

double CameraModel::GetPixelSizeUm() const { return InfoFor(sensorCode_).pixelSizeUm; }

std::string CameraModel::GetFirmwareVersionText() const {
    return std::to_string(firmwareMajor_) + "." + std::to_string(firmwareMinor_) + "." +
           std::to_string(firmwarePatch_);
}

std::string CameraModel::GetDisplayName() const {
    return GetModelName(true) + " #" + std::to_string(serialNumber_) + " FW " + GetFirmwareVersionText() +
           ", Sensor " + GetSensorName(false);
}

std::string CameraModel::GetShortIdentification() const {
    if (extensionUnitVersion_ <= 1) return "";
    const std::string sensor = GetSensorName(false);
    std::string tag = sensor;
    if (sensor == "IMX430") tag = "430";
    else if (sensor == "IMX432") tag = "432";
    else if (sensor == "IMX174") tag = "174";
    else if (sensor == "GLUX9701") tag = "9701";
    return GetModelName(false) + " " + tag;
}

int CameraModel::GetResolutionCount() const { return static_cast<int>(ModesFor(sensorCode_).size()); }

const VideoResolution* CameraModel::GetVideoResolution(int index) const {
    const ModeList& modes = ModesFor(sensorCode_);
    if (index < 0 || index >= static_cast<int>(modes.size())) return nullptr;
    return &modes[static_cast<std::size_t>(index)];
}

int CameraModel::GetGainCount() const {
    switch (InfoFor(sensorCode_).gains) {
        case GainFamily::SonyDecibel: return kSonyGainSteps;
        case GainFamily::Ar0130: return kAr0130GainSteps;
        case GainFamily::None: break;
    }
    return 0;
}

std::string CameraModel::GetGainText(int gainIndex) const {
    if (gainIndex < 0 || gainIndex >= GetGainCount()) return "?";
    if (InfoFor(sensorCode_).gains == GainFamily::Ar0130) return kAr0130GainTexts[gainIndex];
    char text[32];
    std::snprintf(text, sizeof(text), "+%02d dB%s", gainIndex, gainIndex > 24 ? " D" : "");
    return text;
}

int CameraModel::GetGainCode(int gainIndex) const {
    if (InfoFor(sensorCode_).gains != GainFamily::Ar0130) return gainIndex;
    return gainIndex < kAr0130WrapIndex ? gainIndex + 8 : gainIndex - 14;
}

int CameraModel::GetGainIndex(int gainCode) const {
    if (InfoFor(sensorCode_).gains != GainFamily::Ar0130) return gainCode;
    return gainCode < 8 ? gainCode + 14 : gainCode - 8;
}

int CameraModel::GetMinimumFrameTimeMs(int width, int height, bool binned, bool usb2FullWidth) const {
    switch (sensorCode_) {
        case 2: case 3: return 22;
        case 4: return 26;
        case 5: case 10: return 100;
        case 7:
            if (usb2FullWidth) return 120;
            if (height == 128) return width == 176 ? 2 : 4;
            return binned ? 20 : 25;
        case 8: return binned ? 37 : 55;
        case 9: case 14:
            if (usb2FullWidth) return 100;
            if (height == 128) return width == 176 ? 1 : 4;
            return binned ? 6 : 25;
        case 11: return 40;
        case 12: return 43;
        case 13: return 50;
        default: return 0;
    }
}

int CameraModel::GetRecommendedBlackLevel(int gainCode, int exposureMs) const {
    const std::string sensor = GetSensorName(false);
    if (sensor != "IMX174" && sensor != "IMX430") return -1;
    // A negative code would index before the table.
    if (gainCode < 0 || gainCode > 24) return -1;
    if (exposureMs < 200) return 100;
    const double exposure = exposureMs > 4000 ? 4000.0 : static_cast<double>(exposureMs);

    const double g = gainCode / 6.0;
    const int c0 = static_cast<int>(g);
    const int c1 = static_cast<int>(g + 0.5);
    const double h = 3.074 * std::log10(exposure) - 7.073;
    const int r0 = static_cast<int>(h);
    const int r1 = static_cast<int>(h + 0.5);
    const auto& t = kBlackLevelTable;
    const double b = t[r0][c0] + (t[r1][c0] - t[r0][c0]) * (h - r0);
    const double a = t[r0][c1] + (t[r1][c1] - t[r0][c1]) * (h - r0);
    return static_cast<int>((a - b) * (g - c0) + b + 0.5);
}

bool CameraModel::IsUsb2FullWidth(int linkType, int width) { return linkType == 2 && width == 1920; }

double CameraModel::ComputeImageScale(double pixelSizeUm, int binning, double focalLengthMm) {
    if (binning < 1 || binning > 16) binning = 1;
    const double pixel = pixelSizeUm * binning;
    if (!(focalLengthMm >= 100.0 && focalLengthMm <= 100000.0)) return 0.0;
    if (!(pixel >= 0.5 && pixel <= 50.0)) return 0.0;
    return pixel * 206.3 / focalLengthMm;
}

}  // namespace orva
