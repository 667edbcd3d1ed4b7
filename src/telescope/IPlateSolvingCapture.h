#pragma once
// The single FITS capture the plate-solving worker asks for when it records a new file:
// the station starts it on the running camera and reports when the file is written.
//
// Threads: called from the plate-solving worker thread.

#include "common/Clock.h"

#include <optional>
#include <string>

namespace orva {

class IPlateSolvingCapture {
public:
    virtual ~IPlateSolvingCapture() = default;
    // Starts the capture; the full path of the file that will be written, or empty when
    // no capture can start.
    virtual std::optional<std::string> StartCapture() = 0;
    // True once the file has been written completely.
    virtual bool IsCaptureComplete(const std::string& path) = 0;
    // How long the capture takes at the camera's settings: frames x frame time.
    virtual Clock::Duration CaptureDuration() const = 0;
};

}  // namespace orva
