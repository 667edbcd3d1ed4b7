#include "v4l2/V4l2VideoReader.h"

#include "common/Log.h"
#include "common/ThreadName.h"
#include "common/ThreadPriority.h"
#include "v4l2/V4l2BufferSet.h"
#include "v4l2/V4l2FormatList.h"
#include "v4l2/V4l2ResultCode.h"
#include "v4l2/V4l2VideoSample.h"

#include <linux/videodev2.h>
#include <poll.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orva {
namespace {

int32_t Failed(const char* call, int negatedErrno) { return LogKernelFailure("E V4l2VideoReader:", call, negatedErrno); }

bool SameType(const VideoMediaType& a, const VideoMediaType& b) {
    return a.majorType == b.majorType && a.subtype == b.subtype && a.width == b.width && a.height == b.height &&
           (!a.hasFrameRate || !b.hasFrameRate ||
            uint64_t{a.frameRateNumerator} * b.frameRateDenominator ==
                uint64_t{b.frameRateNumerator} * a.frameRateDenominator);
}

int64_t Timestamp100ns(const timeval& t) { return int64_t{t.tv_sec} * 10000000 + int64_t{t.tv_usec} * 10; }

}  // namespace

// State shared by the reader and its delivery thread; the thread keeps it alive.
struct V4l2VideoReader::Shared {
    std::shared_ptr<V4l2DeviceHandle> device;
    V4l2ReaderOptions options;
    std::mutex mutex;
    std::condition_variable wake;
    std::shared_ptr<IVideoReaderCallback> callback;  // null once the reader is gone
    std::optional<std::vector<V4l2MediaType>> types;
    std::shared_ptr<V4l2BufferSet> buffers;  // set while the stream is selected
    int pending = 0;
    bool flushRequested = false;
    uint64_t flushGeneration = 0;
    uint64_t selections = 0;  // counts stream selections, so a wait can tell it was stopped
    int32_t failure = kResultOk;  // the dequeue error that ended the stream
    std::optional<uint32_t> lastSequence;
    bool gapBeforeNext = false;

    bool Stopped() const { return callback == nullptr; }
    bool FrameWanted() const { return pending > 0 && buffers && failure == kResultOk; }
};

V4l2VideoReader::V4l2VideoReader(std::shared_ptr<V4l2DeviceHandle> device,
                                 std::shared_ptr<IVideoReaderCallback> callback, V4l2ReaderOptions options)
    : shared_(std::make_shared<Shared>()) {
    shared_->device = std::move(device);
    shared_->options = std::move(options);
    shared_->callback = std::move(callback);
    std::thread(Deliver, shared_).detach();
}

V4l2VideoReader::~V4l2VideoReader() {
    std::shared_ptr<V4l2BufferSet> buffers;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->callback.reset();
        shared_->pending = 0;
        buffers = std::move(shared_->buffers);
        shared_->wake.notify_all();
    }
    if (buffers) buffers->Stop();
}

int32_t V4l2VideoReader::GetNativeMediaType(uint32_t index, VideoMediaType& type) {
    std::lock_guard lock(shared_->mutex);
    if (!shared_->types) {
        std::vector<V4l2MediaType> types;
        if (const int32_t result = V4l2FormatList::Enumerate(*shared_->device, types); result < 0) {
            LogMessageInt("E V4l2VideoReader: listing the formats failed:", result);
            return result;
        }
        shared_->types = std::move(types);
    }
    if (index >= shared_->types->size()) return kVideoErrorNoMoreTypes;
    type = (*shared_->types)[index].type;
    return kVideoOk;
}

int32_t V4l2VideoReader::SetCurrentMediaType(const VideoMediaType& type) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->buffers) return kVideoErrorInvalidRequest;  // not while streaming
    const V4l2MediaType* match = nullptr;
    if (shared_->types) {
        for (const V4l2MediaType& t : *shared_->types) {
            if (SameType(t.type, type)) {
                match = &t;
                break;
            }
        }
    }
    if (!match) return kVideoErrorInvalidRequest;

    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = match->type.width;
    format.fmt.pix.height = match->type.height;
    format.fmt.pix.pixelformat = match->pixelFormat;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    if (const int r = shared_->device->Ioctl(VIDIOC_S_FMT, &format); r < 0) return Failed("VIDIOC_S_FMT", r);
    // The driver answers with the format it took; another one is not the asked mode.
    if (format.fmt.pix.width != match->type.width || format.fmt.pix.height != match->type.height ||
        format.fmt.pix.pixelformat != match->pixelFormat) {
        LogMessageInt2("E V4l2VideoReader: the driver chose another frame size:", static_cast<int>(format.fmt.pix.width),
                       static_cast<int>(format.fmt.pix.height));
        return kVideoErrorInvalidRequest;
    }
    if (match->type.hasFrameRate) {
        v4l2_streamparm parameters{};
        parameters.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        parameters.parm.capture.timeperframe.numerator = match->type.frameRateDenominator;
        parameters.parm.capture.timeperframe.denominator = match->type.frameRateNumerator;
        // The camera's exposure sets its real frame time; a refused interval costs nothing.
        if (const int r = shared_->device->Ioctl(VIDIOC_S_PARM, &parameters); r < 0) {
            LogMessageInt("W V4l2VideoReader: VIDIOC_S_PARM failed:", ResultFromErrno(r));
        }
    }
    return kVideoOk;
}

int32_t V4l2VideoReader::GetStreamSelection(bool& selected) {
    std::lock_guard lock(shared_->mutex);
    selected = shared_->buffers != nullptr;
    return kVideoOk;
}

int32_t V4l2VideoReader::SetStreamSelection(bool selected) {
    std::shared_ptr<V4l2BufferSet> stopping;
    {
        std::lock_guard lock(shared_->mutex);
        if (selected == (shared_->buffers != nullptr)) return kVideoOk;
        if (selected) {
            int32_t result = kResultOk;
            shared_->buffers = V4l2BufferSet::Start(shared_->device, shared_->options.bufferCount, result);
            if (!shared_->buffers) return result;
            ++shared_->selections;
            shared_->failure = kResultOk;
            shared_->lastSequence.reset();
            shared_->gapBeforeNext = false;
            shared_->wake.notify_all();
            return kVideoOk;
        }
        stopping = std::move(shared_->buffers);
        shared_->pending = 0;
    }
    // Off the lock: frames still out return their buffers through the set.
    stopping->Stop();
    return kVideoOk;
}

int32_t V4l2VideoReader::ReadSample() {
    std::lock_guard lock(shared_->mutex);
    if (shared_->failure < 0) return shared_->failure;
    if (!shared_->buffers) return kVideoErrorInvalidRequest;
    ++shared_->pending;
    shared_->wake.notify_all();
    return kVideoOk;
}

int32_t V4l2VideoReader::Flush() {
    std::lock_guard lock(shared_->mutex);
    shared_->pending = 0;
    shared_->flushRequested = true;
    ++shared_->flushGeneration;
    shared_->wake.notify_all();
    return kVideoOk;
}

void V4l2VideoReader::Deliver(std::shared_ptr<Shared> shared) {
    ThreadName::SetCurrent("v4l2-deliver");
    ThreadPriority::RaiseCurrentForFramePath();
    V4l2DeviceHandle& device = *shared->device;
    const auto slice = std::chrono::milliseconds(shared->options.pollSliceMs);
    std::unique_lock lock(shared->mutex);
    while (true) {
        shared->wake.wait_for(lock, slice,
                              [&] { return shared->Stopped() || shared->flushRequested || shared->FrameWanted(); });
        if (shared->Stopped()) break;
        if (shared->flushRequested) {
            shared->flushRequested = false;
            auto callback = shared->callback;
            lock.unlock();
            callback->OnFlush();
            lock.lock();
            continue;
        }
        if (!shared->FrameWanted()) continue;

        // No reference to the buffers while waiting: a deselection frees them at once.
        const uint64_t selection = shared->selections;
        const uint64_t generation = shared->flushGeneration;
        lock.unlock();
        short events = 0;
        int result = device.Kernel().Poll(device.Descriptor(), POLLIN, shared->options.pollSliceMs, &events);
        lock.lock();
        // Stopped, deselected or flushed while waiting: nothing to take now.
        if (shared->Stopped() || !shared->buffers || shared->selections != selection ||
            shared->flushGeneration != generation || shared->pending == 0) {
            continue;
        }
        // Dropped before any callback, so that a deselection from the callback's side frees
        // the buffers at once.
        std::shared_ptr<V4l2BufferSet> buffers = shared->buffers;
        const char* call = "poll";
        v4l2_buffer buffer{};
        if (result > 0) {
            // Non-blocking; under the lock, so a stop cannot slip in between.
            call = "VIDIOC_DQBUF";
            buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            buffer.memory = V4L2_MEMORY_MMAP;
            result = device.Ioctl(VIDIOC_DQBUF, &buffer);
            if (result == 0) result = 1;
        }
        if (result == 0 || result == -EAGAIN) continue;  // nothing captured yet

        if (result < 0) {
            const int32_t code = Failed(call, result);
            shared->failure = code;
            shared->pending = 0;
            auto callback = shared->callback;
            auto onDeviceGone = result == -ENODEV ? shared->options.onDeviceGone : nullptr;
            buffers.reset();
            lock.unlock();
            if (onDeviceGone) onDeviceGone();
            callback->OnReadSample(code, kStreamFlagError, 0, nullptr);
            lock.lock();
            continue;
        }

        // A frame: from here on the sample owns the buffer and gives it back when dropped.
        const int64_t timestamp = Timestamp100ns(buffer.timestamp);
        const bool gap = shared->gapBeforeNext ||
                         (shared->lastSequence && buffer.sequence != *shared->lastSequence + 1);
        shared->lastSequence = buffer.sequence;
        if ((buffer.flags & V4L2_BUF_FLAG_ERROR) != 0) {
            // The driver saw the transfer fail: the timing record may be damaged too.
            LogMessageInt("W V4l2VideoReader: frame with transfer error dropped, sequence", static_cast<int>(buffer.sequence));
            shared->gapBeforeNext = true;
            lock.unlock();
            buffers->Requeue(buffer.index);
            buffers.reset();
            lock.lock();
            continue;
        }
        auto sample = std::make_shared<V4l2VideoSample>(buffers, buffer.index, buffer.bytesused, buffer.sequence,
                                                        timestamp, gap);
        shared->gapBeforeNext = false;
        --shared->pending;
        auto callback = shared->callback;
        buffers.reset();
        lock.unlock();
        callback->OnReadSample(kVideoOk, 0, timestamp, std::move(sample));
        lock.lock();
    }
    // Let go of the device and the buffers with the thread.
    shared->buffers.reset();
    lock.unlock();
}

}  // namespace orva
