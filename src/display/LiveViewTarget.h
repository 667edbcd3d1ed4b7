#pragma once
// The live view's side on the frame path: composes each requested frame into a picture
// with the current lookup table and zone snapshot, counts the histogram into the shared
// double buffer, and hands the picture to the GUI thread.
//
// Pictures move through three buffers: the frame path fills its own, then swaps it with
// the ready one under a short lock; the GUI thread swaps the ready one with its own when
// it takes a new picture. Neither side ever reads or writes a picture the other uses,
// and neither waits for more than a pointer swap.
//
// Threads: PrepareDisplay on the frame path's thread. Everything else on the GUI thread
// (SetProfileCentre and SetZones may be called from any thread).

#include "display/DisplayPicture.h"
#include "display/LookupTableSlot.h"
#include "display/ZoneMatrix.h"
#include "processing/IDisplayTarget.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace orva {

class ThreadSafeDoubleBuffer;

class LiveViewTarget final : public IDisplayTarget {
public:
    // The largest picture the view shows.
    static constexpr int kMaxWidth = 3208;
    static constexpr int kMaxHeight = 2840;

    LiveViewTarget(ThreadSafeDoubleBuffer& histogram, LookupTableSlot& table);

    // Frame path.
    void PrepareDisplay(const DisplayFrame& frame) override;

    // GUI thread: takes the newest picture if one came since the last call; the picture
    // then stays valid and unchanged until the next successful call.
    bool TakePicture();
    const DisplayPicture& Picture() const { return *read_; }
    // Forgets the shown picture (a new resolution).
    void ResetPicture();

    // The pixel under the mouse, or (-1, -1).
    void SetProfileCentre(int x, int y);
    // The blocks the frame path draws; null: zones off.
    void SetZones(std::shared_ptr<const ZoneBlocks> zones);
    // Whether the pictures carry the frame's calibrated pixels too (a copy of the frame,
    // so only while a guiding star is being chosen).
    void SetKeepRawPixels(bool on) { keepRaw_ = on; }

private:
    ThreadSafeDoubleBuffer& histogram_;
    LookupTableSlot& table_;
    std::atomic<int64_t> profileCentre_;
    std::atomic<bool> keepRaw_{false};
    mutable std::mutex mutex_;  // guards ready_, fresh_ and zones_
    std::shared_ptr<const ZoneBlocks> zones_;
    std::unique_ptr<DisplayPicture> write_;
    std::unique_ptr<DisplayPicture> ready_;
    std::unique_ptr<DisplayPicture> read_;
    bool fresh_ = false;
    uint64_t sequence_ = 0;  // frame path only
};

}  // namespace orva
