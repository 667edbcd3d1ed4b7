#pragma once
// The plate-solving worker's capture, carried out on the GUI thread. The worker asks for
// a FITS capture from its own thread, but starting one touches the window's controls,
// the settings and the camera, which belong to the GUI thread: the request waits in this
// bridge until the GUI's timer (Step) starts the capture, and the worker gets the path.
//
// Threads: StartCapture, IsCaptureComplete and CaptureDuration on the worker thread;
// Step and SetFrameTime on the GUI thread. One lock guards the request.

#include "telescope/IPlateSolvingCapture.h"

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace orva {

class PlateSolvingCaptureBridge final : public IPlateSolvingCapture {
public:
    struct Calls {
        // Starts a 'P' capture; the file's path, none when it cannot start. GUI thread.
        std::function<std::optional<std::string>()> start;
        // The file is written completely. Any thread.
        std::function<bool(const std::string&)> complete;
    };

    // `framesAveraged`: how many frames one capture takes; `startWait`: how long the
    // worker waits for the GUI thread to take its request.
    PlateSolvingCaptureBridge(Calls calls, int framesAveraged,
                              std::chrono::milliseconds startWait = std::chrono::seconds(5));

    std::optional<std::string> StartCapture() override;
    bool IsCaptureComplete(const std::string& path) override;
    Clock::Duration CaptureDuration() const override;

    // The GUI's timer: starts a waiting request.
    void Step();
    // The camera's frame time, for CaptureDuration.
    void SetFrameTime(std::chrono::microseconds frameTime);

private:
    enum class Request { None, Waiting, Done };

    const Calls calls_;
    const int framesAveraged_;
    const std::chrono::milliseconds startWait_;
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    Request request_ = Request::None;
    uint64_t requestNumber_ = 0;
    std::optional<std::string> path_;
    std::chrono::microseconds frameTime_{40000};
};

}  // namespace orva
