#pragma once
// The identification a camera reported when it was activated, and everything that
// follows from its sensor code: model and sensor names, video modes, gain steps, the
// shortest frame time and the recommended black level. Immutable once built, so it may
// be read from any thread.

#include "camera/VideoResolution.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orva {

class CameraModel {
public:
    static constexpr std::size_t kExtendedVersionBlockSize = 13;

    // From the extended version block as read. Below extension-unit version 2 only bytes
    // 0..4 count; the serial and spare bytes are then zero.
    explicit CameraModel(std::span<const uint8_t, kExtendedVersionBlockSize> block);
    virtual ~CameraModel() = default;

    uint8_t FirmwareMajor() const { return firmwareMajor_; }
    uint8_t FirmwareMinor() const { return firmwareMinor_; }
    uint8_t FirmwarePatch() const { return firmwarePatch_; }
    uint8_t ExtensionUnitVersion() const { return extensionUnitVersion_; }
    // 0 and 255 are stored as 9.
    uint8_t SensorCode() const { return sensorCode_; }
    const std::array<uint8_t, 4>& SerialBytes() const { return serialBytes_; }
    const std::array<uint8_t, 4>& SpareBytes() const { return spareBytes_; }
    int32_t SerialNumber() const { return serialNumber_; }

    std::string GetModelName(bool longForm) const;
    std::string GetSensorName(bool longForm) const;
    // 999 for unknown sensors.
    double GetPixelSizeUm() const;
    // "1.3.5"
    std::string GetFirmwareVersionText() const;
    // "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174"
    std::string GetDisplayName() const;
    // "ORVA+CAM 174", "P2 IMX178"; empty below extension-unit version 2.
    std::string GetShortIdentification() const;

    int GetResolutionCount() const;
    // Null for an index outside 0..count-1.
    const VideoResolution* GetVideoResolution(int index) const;

    // Number of gain steps; 0 for sensors without a gain list.
    int GetGainCount() const;
    // "?" for sensors without a gain list and for indices outside the list.
    std::string GetGainText(int gainIndex) const;
    // The gain code the camera expects for a gain index, and back from a reported code.
    int GetGainCode(int gainIndex) const;
    int GetGainIndex(int gainCode) const;

    // 0 when the sensor has no known minimum.
    int GetMinimumFrameTimeMs(int width, int height, bool binned, bool usb2FullWidth) const;
    // -1 means no recommendation.
    int GetRecommendedBlackLevel(int gainCode, int exposureMs) const;

    // A 1920-pixel-wide mode over a USB2 link (link type 2) needs longer frame times.
    static bool IsUsb2FullWidth(int linkType, int width);
    // Arc seconds per pixel; 0 when the pixel size or focal length is implausible.
    static double ComputeImageScale(double pixelSizeUm, int binning, double focalLengthMm);

private:
    uint8_t firmwareMajor_;
    uint8_t firmwareMinor_;
    uint8_t firmwarePatch_;
    uint8_t extensionUnitVersion_;
    uint8_t sensorCode_;
    std::array<uint8_t, 4> serialBytes_{};
    std::array<uint8_t, 4> spareBytes_{};
    int32_t serialNumber_ = 0;
};

}  // namespace orva
