#pragma once
// Prepares the live view's picture: when the view has asked for a frame, the next frame
// is handed to its target, with the text line of its record for the status bar.
//
// Threads: the target, the request, the switches and the read-outs from any thread
// (atomic or locked); Process on the frame path's thread.

#include "processing/IDisplayTarget.h"
#include "processing/IFrameStage.h"

#include <atomic>
#include <mutex>
#include <string>

namespace orva {

class LiveViewStage final : public IFrameStage {
public:
    bool Process(CameraFrame& frame) override;

    void SetTarget(IDisplayTarget* target) { target_ = target; }
    void Request() { requested_ = true; }
    bool TakeReady() { return ready_.exchange(false); }
    std::string TextLine() const;

    void SetShowOverflow(bool on) { showOverflow_ = on; }
    bool ShowsOverflow() const { return showOverflow_; }
    void SetClipOnOverflow(bool on) { clipOnOverflow_ = on; }
    void SetEightBit(bool on) { eightBit_ = on; }

private:
    std::atomic<IDisplayTarget*> target_{nullptr};
    std::atomic<bool> requested_{false};
    std::atomic<bool> ready_{false};
    std::atomic<bool> showOverflow_{false};
    std::atomic<bool> clipOnOverflow_{false};
    std::atomic<bool> eightBit_{false};
    mutable std::mutex mutex_;  // guards textLine_
    std::string textLine_;
};

}  // namespace orva
