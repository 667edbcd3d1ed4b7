#pragma once
// One captured frame in its driver buffer, with the driver's sequence number and time
// stamp. Dropping the last reference hands the buffer back to the driver.
//
// Threads: immutable after delivery; Lock/Unlock from the one consumer that holds it;
// the last reference may be dropped on any thread.

#include "stream/VideoSource.h"
#include "v4l2/V4l2BufferSet.h"

#include <algorithm>
#include <memory>

namespace orva {

class V4l2VideoSample final : public VideoSample {
public:
    V4l2VideoSample(std::shared_ptr<V4l2BufferSet> buffers, uint32_t index, std::size_t bytesUsed, uint32_t sequence,
                    int64_t timestamp100ns, bool discontinuity)
        : buffers_(std::move(buffers)),
          index_(index),
          bytesUsed_(std::min(bytesUsed, buffers_->Length(index))),
          sequence_(sequence),
          timestamp100ns_(timestamp100ns),
          discontinuity_(discontinuity) {}
    ~V4l2VideoSample() override { buffers_->Requeue(index_); }
    V4l2VideoSample(const V4l2VideoSample&) = delete;
    V4l2VideoSample& operator=(const V4l2VideoSample&) = delete;

    bool IsDiscontinuity() const override { return discontinuity_; }
    // The bytes the driver filled; a short frame gives fewer than the format's size.
    int32_t Lock(const uint8_t** data, std::size_t* length) override {
        *data = buffers_->Data(index_);
        *length = bytesUsed_;
        return kVideoOk;
    }
    void Unlock() override {}

    uint32_t Sequence() const { return sequence_; }
    // The driver's capture time (monotonic clock) in 100-ns units.
    int64_t Timestamp100ns() const { return timestamp100ns_; }

private:
    std::shared_ptr<V4l2BufferSet> buffers_;
    const uint32_t index_;
    const std::size_t bytesUsed_;
    const uint32_t sequence_;
    const int64_t timestamp100ns_;
    const bool discontinuity_;
};

}  // namespace orva
