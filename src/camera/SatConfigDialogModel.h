#pragma once
// The "Satellite Configuration" dialog without its widgets: the GPS receiver's hardware
// and firmware identification (read once through the camera's transfer buffer when the
// dialog opens) and, every 2 seconds, the GPS state the frames carry. The owner steps
// Tick from its timer on the injected clock and gives the overlay's time text form.
//
// Threads: GUI thread only.

#include "camera/CameraManager.h"
#include "camera/CameraStatus.h"
#include "common/Clock.h"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace orva {

class Settings;

class SatConfigDialogModel {
public:
    static constexpr Clock::Duration kRefreshPeriod = std::chrono::seconds(2);
    static constexpr int kVersionWords = 16;
    static constexpr const char* kTitle = "Satellite Configuration";
    static constexpr const char* kSelectConstellations = "Select constellations...";

    // The shown values with their captions, in the order shown; consecutive fields of
    // one group are shown together.
    struct Field {
        const char* group;
        const char* label;
        std::string SatConfigDialogModel::*value;
    };
    static const std::array<Field, 12> kFields;

    SatConfigDialogModel(CameraManager& manager, Settings& settings, Clock& clock);

    // Logs the opening, reads the version and shows the status.
    void Open();
    // Refreshes the status every 2 s of the clock.
    void Tick();
    void RefreshStatus();

    // The version text ("hardware;firmware") of an answer stream; nothing when its length
    // byte is 127 or more or runs past the bytes read.
    static std::optional<std::string> VersionText(std::span<const uint8_t> stream);
    // "N48.1234567" style: hemisphere letter, whole degrees, 7 decimals.
    static std::string FormatCoordinate(int32_t valueE7, char positive, char negative);

    // The frame start time in the overlay's time text form.
    std::function<std::string(const CameraStatus&)> formatFrameTime;

    std::string hardware;
    std::string firmware;
    std::string fixStatus;
    std::string satellites;
    std::string accuracy;
    std::string dopGeometric;
    std::string dopTime;
    std::string dopPositional;
    std::string dopH;
    std::string dopV;
    std::string dateTime;
    std::string position;
    std::string logging;

private:
    void ReadVersion();

    CameraManager& manager_;
    Settings& settings_;
    Clock& clock_;
    Clock::TimePoint nextRefresh_{};
};

}  // namespace orva
