#pragma once
// The memory-mapped capture buffers of one streaming run: requested (VIDIOC_REQBUFS),
// mapped, all queued and streaming on (VIDIOC_STREAMON) by Start. A delivered frame keeps
// the set alive and hands its buffer back (VIDIOC_QBUF) when the station drops it; after
// Stop (VIDIOC_STREAMOFF) returned buffers stay with the set. The mappings are undone and
// the buffers freed (VIDIOC_REQBUFS with 0) when the last frame and the reader let go.
//
// Threads: Requeue from any thread (the frame consumer); Start and Stop from the reader.
// One lock orders them, so no buffer is queued after Stop.

#include "v4l2/V4l2DeviceHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace orva {

class V4l2BufferSet {
public:
    // Null with `result` set (and the failing call logged) when the buffers cannot be had.
    static std::shared_ptr<V4l2BufferSet> Start(std::shared_ptr<V4l2DeviceHandle> device, uint32_t count,
                                                int32_t& result);
    ~V4l2BufferSet();
    V4l2BufferSet(const V4l2BufferSet&) = delete;
    V4l2BufferSet& operator=(const V4l2BufferSet&) = delete;

    void Requeue(uint32_t index);
    void Stop();

    std::size_t Count() const { return mappings_.size(); }
    const uint8_t* Data(uint32_t index) const { return static_cast<const uint8_t*>(mappings_[index].address); }
    std::size_t Length(uint32_t index) const { return mappings_[index].length; }

private:
    struct Mapping {
        void* address = nullptr;
        std::size_t length = 0;
    };

    explicit V4l2BufferSet(std::shared_ptr<V4l2DeviceHandle> device) : device_(std::move(device)) {}
    int32_t MapAndQueue(uint32_t count);

    std::shared_ptr<V4l2DeviceHandle> device_;
    std::vector<Mapping> mappings_;
    std::mutex mutex_;
    bool streaming_ = false;
    bool requested_ = false;
};

}  // namespace orva
