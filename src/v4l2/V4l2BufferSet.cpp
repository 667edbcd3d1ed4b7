#include "v4l2/V4l2BufferSet.h"

#include "common/Log.h"
#include "v4l2/V4l2ResultCode.h"

#include <linux/videodev2.h>

#include <cerrno>
#include <string>

namespace orva {
namespace {

int32_t Failed(const char* call, int negatedErrno) { return LogKernelFailure("E V4l2BufferSet:", call, negatedErrno); }

v4l2_buffer Buffer(uint32_t index) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    return buffer;
}

}  // namespace

std::shared_ptr<V4l2BufferSet> V4l2BufferSet::Start(std::shared_ptr<V4l2DeviceHandle> device, uint32_t count,
                                                    int32_t& result) {
    std::shared_ptr<V4l2BufferSet> set(new V4l2BufferSet(std::move(device)));
    result = set->MapAndQueue(count);
    if (result < 0) return nullptr;  // the destructor undoes what was done
    return set;
}

int32_t V4l2BufferSet::MapAndQueue(uint32_t count) {
    v4l2_requestbuffers request{};
    request.count = count;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (const int r = device_->Ioctl(VIDIOC_REQBUFS, &request); r < 0) return Failed("VIDIOC_REQBUFS", r);
    requested_ = true;
    device_->SetBufferOwner(this);
    // Two buffers at least: one filling while the other is delivered.
    if (request.count < 2) return Failed("VIDIOC_REQBUFS", -ENOMEM);

    for (uint32_t i = 0; i < request.count; ++i) {
        v4l2_buffer buffer = Buffer(i);
        if (const int r = device_->Ioctl(VIDIOC_QUERYBUF, &buffer); r < 0) return Failed("VIDIOC_QUERYBUF", r);
        Mapping mapping;
        mapping.length = buffer.length;
        const int r = device_->Kernel().Mmap(device_->Descriptor(), buffer.length, buffer.m.offset, &mapping.address);
        if (r < 0) return Failed("mmap", r);
        mappings_.push_back(mapping);
    }
    for (uint32_t i = 0; i < mappings_.size(); ++i) {
        v4l2_buffer buffer = Buffer(i);
        if (const int r = device_->Ioctl(VIDIOC_QBUF, &buffer); r < 0) return Failed("VIDIOC_QBUF", r);
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (const int r = device_->Ioctl(VIDIOC_STREAMON, &type); r < 0) return Failed("VIDIOC_STREAMON", r);
    streaming_ = true;
    return kResultOk;
}

V4l2BufferSet::~V4l2BufferSet() {
    Stop();
    for (const Mapping& m : mappings_) device_->Kernel().Munmap(m.address, m.length);
    if (requested_ && device_->ReleaseBufferOwner(this)) {
        // Frees the driver's buffers, unless a newer set has them (kernels that orphan
        // still-mapped buffers let a new request through before this one let go). Fails
        // harmlessly when the camera is gone.
        v4l2_requestbuffers release{};
        release.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        release.memory = V4L2_MEMORY_MMAP;
        device_->Ioctl(VIDIOC_REQBUFS, &release);
    }
}

void V4l2BufferSet::Requeue(uint32_t index) {
    std::lock_guard lock(mutex_);
    if (!streaming_) return;
    v4l2_buffer buffer = Buffer(index);
    // A camera that went away fails here too; the reader reports that from its own call.
    if (const int r = device_->Ioctl(VIDIOC_QBUF, &buffer); r < 0 && r != -ENODEV) Failed("VIDIOC_QBUF", r);
}

void V4l2BufferSet::Stop() {
    std::lock_guard lock(mutex_);
    if (!streaming_) return;
    streaming_ = false;
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (const int r = device_->Ioctl(VIDIOC_STREAMOFF, &type); r < 0 && r != -ENODEV) Failed("VIDIOC_STREAMOFF", r);
}

}  // namespace orva
