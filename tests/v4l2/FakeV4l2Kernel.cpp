#include "FakeV4l2Kernel.h"

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace orva::test {
namespace {

std::string Hex(const uint8_t* data, std::size_t size) {
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof(byte), i ? " %02X" : "%02X", data[i]);
        text += byte;
    }
    return text;
}

// The camera's control lengths, as its extension unit reports them (UVC_GET_LEN).
int ControlLength(uint8_t selector) {
    switch (selector) {
    case 1: return 5;
    case 4: return 32;
    case 5: return 5;
    case 7: return 34;
    case 8: return 13;
    default: return -1;
    }
}

std::string NameOf(unsigned long request) {
    switch (request) {
    case VIDIOC_QUERYCAP: return "VIDIOC_QUERYCAP";
    case VIDIOC_ENUM_FMT: return "VIDIOC_ENUM_FMT";
    case VIDIOC_ENUM_FRAMESIZES: return "VIDIOC_ENUM_FRAMESIZES";
    case VIDIOC_ENUM_FRAMEINTERVALS: return "VIDIOC_ENUM_FRAMEINTERVALS";
    case VIDIOC_S_FMT: return "VIDIOC_S_FMT";
    case VIDIOC_G_FMT: return "VIDIOC_G_FMT";
    case VIDIOC_S_PARM: return "VIDIOC_S_PARM";
    case VIDIOC_REQBUFS: return "VIDIOC_REQBUFS";
    case VIDIOC_QUERYBUF: return "VIDIOC_QUERYBUF";
    case VIDIOC_QBUF: return "VIDIOC_QBUF";
    case VIDIOC_DQBUF: return "VIDIOC_DQBUF";
    case VIDIOC_STREAMON: return "VIDIOC_STREAMON";
    case VIDIOC_STREAMOFF: return "VIDIOC_STREAMOFF";
    case UVCIOC_CTRL_QUERY: return "UVCIOC_CTRL_QUERY";
    default: return "ioctl " + std::to_string(request);
    }
}

}  // namespace

void FakeV4l2Kernel::AddNode(const std::string& path, std::shared_ptr<SimulatedCamera> camera) {
    std::lock_guard lock(mutex_);
    Node node;
    node.camera = std::move(camera);
    if (node.camera) {
        const SimVideoMode& mode = node.camera->Modes()[static_cast<std::size_t>(node.camera->ModeIndex())];
        node.width = static_cast<uint32_t>(mode.transferWidth);
        node.height = static_cast<uint32_t>(mode.height);
    }
    nodes_[path] = std::move(node);
}

void FakeV4l2Kernel::FailNext(const std::string& name, int err) {
    std::lock_guard lock(mutex_);
    failures_.emplace(name, err);
}

void FakeV4l2Kernel::Unplug() {
    std::lock_guard lock(mutex_);
    unplugged_ = true;
    changed_.notify_all();
}

void FakeV4l2Kernel::ShortenNextFrame(uint32_t bytes) {
    std::lock_guard lock(mutex_);
    shortenNext_ = bytes;
}

void FakeV4l2Kernel::CorruptNextFrame() {
    std::lock_guard lock(mutex_);
    corruptNext_ = true;
}

void FakeV4l2Kernel::SkipSequence(uint32_t frames) {
    std::lock_guard lock(mutex_);
    skipSequence_ += frames;
}

void FakeV4l2Kernel::SetFrameBudget(int frames) {
    std::lock_guard lock(mutex_);
    budget_ = frames;
    changed_.notify_all();
}

void FakeV4l2Kernel::AllowFrames(int frames) {
    std::lock_guard lock(mutex_);
    budget_ = budget_ > std::numeric_limits<int>::max() - frames ? std::numeric_limits<int>::max() : budget_ + frames;
    changed_.notify_all();
}

std::vector<FakeV4l2Kernel::Call> FakeV4l2Kernel::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeV4l2Kernel::CallNames() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const Call& c : calls_) names.push_back(c.name);
    return names;
}

void FakeV4l2Kernel::ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::vector<FakeV4l2Kernel::DeliveredFrame> FakeV4l2Kernel::Delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

int FakeV4l2Kernel::OpenDescriptors() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(descriptors_.size());
}

int FakeV4l2Kernel::MappedBuffers() const {
    std::lock_guard lock(mutex_);
    int mapped = 0;
    for (const auto& [path, node] : nodes_)
        for (const Buffer& b : node.buffers) mapped += b.mapped;
    return mapped;
}

int FakeV4l2Kernel::Record(const std::string& name, const std::string& detail, int result) {
    calls_.push_back({name, detail, result});
    return result;
}

int FakeV4l2Kernel::TakeFailure(const std::string& name) {
    const auto it = failures_.find(name);
    if (it == failures_.end()) return 0;
    const int err = it->second;
    failures_.erase(it);
    return -err;
}

FakeV4l2Kernel::Node* FakeV4l2Kernel::NodeOf(int fd) {
    const auto it = descriptors_.find(fd);
    return it == descriptors_.end() ? nullptr : &nodes_.at(it->second);
}

int FakeV4l2Kernel::Open(const std::string& path, int /*flags*/) {
    std::lock_guard lock(mutex_);
    if (const int failure = TakeFailure("open")) return Record("open", path, failure);
    if (!nodes_.count(path) || unplugged_) return Record("open", path, -ENOENT);
    const int fd = nextFd_++;
    descriptors_[fd] = path;
    return Record("open", path, fd);
}

int FakeV4l2Kernel::Close(int fd) {
    std::lock_guard lock(mutex_);
    const auto it = descriptors_.find(fd);
    if (it == descriptors_.end()) return Record("close", std::to_string(fd), -EBADF);
    const std::string path = it->second;
    descriptors_.erase(it);
    return Record("close", path, 0);
}

int FakeV4l2Kernel::Ioctl(int fd, unsigned long request, void* argument) {
    std::unique_lock lock(mutex_);
    Node* node = NodeOf(fd);
    if (!node) return Record("ioctl", "bad descriptor", -EBADF);
    std::string name = NameOf(request);
    std::string detail;
    // An injected failure has no effect on the device, as a refused call.
    int result = TakeFailure(name);
    if (unplugged_) result = -ENODEV;
    if (result == 0) result = Dispatch(*node, request, argument, detail);
    Record(name, detail, result);
    changed_.notify_all();
    return result;
}

int FakeV4l2Kernel::Dispatch(Node& node, unsigned long request, void* argument, std::string& detail) {
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(argument);
        std::memset(cap, 0, sizeof(*cap));
        std::strncpy(reinterpret_cast<char*>(cap->driver), "uvcvideo", sizeof(cap->driver) - 1);
        const std::string card = node.camera ? node.camera->FriendlyName() : "metadata";
        std::strncpy(reinterpret_cast<char*>(cap->card), card.c_str(), sizeof(cap->card) - 1);
        cap->device_caps = node.camera ? V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING
                                       : V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
        cap->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_ENUM_FMT: {
        auto* f = static_cast<v4l2_fmtdesc*>(argument);
        detail = std::to_string(f->index);
        if (!node.camera || f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || f->index > 0) return -EINVAL;
        f->pixelformat = V4L2_PIX_FMT_YUYV;
        std::strncpy(reinterpret_cast<char*>(f->description), "YUYV 4:2:2", sizeof(f->description) - 1);
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* s = static_cast<v4l2_frmsizeenum*>(argument);
        detail = std::to_string(s->index);
        if (!node.camera || s->pixel_format != V4L2_PIX_FMT_YUYV || s->index >= node.camera->Modes().size()) return -EINVAL;
        const SimVideoMode& mode = node.camera->Modes()[s->index];
        s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        s->discrete.width = static_cast<uint32_t>(mode.transferWidth);
        s->discrete.height = static_cast<uint32_t>(mode.height);
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* i = static_cast<v4l2_frmivalenum*>(argument);
        detail = std::to_string(i->width) + "x" + std::to_string(i->height) + " " + std::to_string(i->index);
        if (!node.camera || i->index > 1) return -EINVAL;
        const auto& modes = node.camera->Modes();
        const auto mode = std::find_if(modes.begin(), modes.end(), [&](const SimVideoMode& m) {
            return static_cast<uint32_t>(m.transferWidth) == i->width && static_cast<uint32_t>(m.height) == i->height;
        });
        if (mode == modes.end()) return -EINVAL;
        i->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        if (i->index == 0) {
            i->discrete = {1, 1};  // a slow rate first: the reader must pick the shortest interval
        } else {
            const auto [num, den] = node.camera->FrameRate(static_cast<int>(mode - modes.begin()));
            i->discrete = {den, num};
        }
        return 0;
    }
    case VIDIOC_S_FMT:
    case VIDIOC_G_FMT: {
        auto* f = static_cast<v4l2_format*>(argument);
        if (!node.camera || f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
        if (request == VIDIOC_S_FMT) {
            detail = std::to_string(f->fmt.pix.width) + "x" + std::to_string(f->fmt.pix.height);
            if (!node.buffers.empty()) return -EBUSY;
            // As the driver: an unknown size becomes the first mode's.
            if (node.camera->SelectModeBySize(static_cast<int>(f->fmt.pix.width), static_cast<int>(f->fmt.pix.height)) < 0) {
                node.camera->SelectMode(0);
            }
            const SimVideoMode& mode = node.camera->Modes()[static_cast<std::size_t>(node.camera->ModeIndex())];
            node.width = static_cast<uint32_t>(mode.transferWidth);
            node.height = static_cast<uint32_t>(mode.height);
        }
        f->fmt.pix.width = node.width;
        f->fmt.pix.height = node.height;
        f->fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
        f->fmt.pix.field = V4L2_FIELD_NONE;
        f->fmt.pix.bytesperline = node.width * 2;
        f->fmt.pix.sizeimage = node.width * node.height * 2;
        return 0;
    }
    case VIDIOC_S_PARM: {
        auto* p = static_cast<v4l2_streamparm*>(argument);
        detail = std::to_string(p->parm.capture.timeperframe.numerator) + "/" +
                 std::to_string(p->parm.capture.timeperframe.denominator);
        return node.camera ? 0 : -EINVAL;
    }
    case VIDIOC_REQBUFS: {
        auto* r = static_cast<v4l2_requestbuffers*>(argument);
        detail = std::to_string(r->count);
        if (!node.camera || r->memory != V4L2_MEMORY_MMAP || r->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
        const bool mapped = std::any_of(node.buffers.begin(), node.buffers.end(), [](const Buffer& b) { return b.mapped; });
        if (node.streaming || mapped) return -EBUSY;
        node.buffers.clear();
        node.queue.clear();
        r->count = std::min(r->count, kMaxBuffers);
        node.buffers.resize(r->count);
        for (Buffer& b : node.buffers) b.memory.assign(std::size_t{node.width} * node.height * 2, 0);
        return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
        auto* b = static_cast<v4l2_buffer*>(argument);
        detail = std::to_string(b->index);
        if (b->index >= node.buffers.size() || b->memory != V4L2_MEMORY_MMAP) return -EINVAL;
        Buffer& buffer = node.buffers[b->index];
        if (request == VIDIOC_QUERYBUF) {
            b->length = static_cast<uint32_t>(buffer.memory.size());
            b->m.offset = static_cast<uint32_t>(b->index * kOffsetStep);
            return 0;
        }
        if (buffer.queued) return -EINVAL;
        buffer.queued = true;
        node.queue.push_back(b->index);
        return 0;
    }
    case VIDIOC_DQBUF:
        return Dequeue(node, argument, detail);
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF:
        if (request == VIDIOC_STREAMON) {
            if (node.buffers.empty()) return -EINVAL;
            node.streaming = true;
            return 0;
        }
        node.streaming = false;
        for (Buffer& b : node.buffers) b.queued = false;
        node.queue.clear();
        return 0;
    case UVCIOC_CTRL_QUERY:
        return ExtensionUnitQuery(node, argument, detail);
    default:
        return -ENOTTY;
    }
}

int FakeV4l2Kernel::ExtensionUnitQuery(Node& node, void* argument, std::string& detail) {
    auto* q = static_cast<uvc_xu_control_query*>(argument);
    const bool set = q->query == UVC_SET_CUR;
    detail = "unit " + std::to_string(q->unit) + " selector " + std::to_string(q->selector) +
             (set ? " SET_CUR " : q->query == UVC_GET_CUR ? " GET_CUR " : " query " + std::to_string(q->query) + " ") +
             std::to_string(q->size);
    if (set) detail += ": " + Hex(q->data, q->size);
    if (!node.camera || q->unit != kUnitId) return -ENOENT;
    if (q->query != UVC_SET_CUR && q->query != UVC_GET_CUR) return -EINVAL;
    const int length = ControlLength(q->selector);
    if (length < 0) return -ENOENT;
    if (q->size != length) return -ENOBUFS;
    const int32_t result = set ? node.camera->SetControl(q->selector, std::span<const uint8_t>(q->data, q->size))
                               : node.camera->GetControl(q->selector, std::span<uint8_t>(q->data, q->size));
    if (result == kResultDeviceGone) return -ENODEV;
    if (result < 0) return -EPIPE;  // the camera stalled the request
    if (!set) detail += ": " + Hex(q->data, q->size);
    return 0;
}

bool FakeV4l2Kernel::FrameReady(const Node& node) const { return node.streaming && !node.queue.empty() && budget_ > 0; }

int FakeV4l2Kernel::Dequeue(Node& node, void* argument, std::string& detail) {
    auto* b = static_cast<v4l2_buffer*>(argument);
    if (!node.streaming || b->memory != V4L2_MEMORY_MMAP) return -EINVAL;
    if (!FrameReady(node)) return -EAGAIN;
    --budget_;
    const uint32_t index = node.queue.front();
    node.queue.pop_front();
    Buffer& buffer = node.buffers[index];
    buffer.queued = false;

    DeliveredFrame frame;
    std::vector<uint8_t> bytes;
    if (node.camera->GenerateFrame(bytes, &frame.truth) < 0) return -ENODEV;
    std::memcpy(buffer.memory.data(), bytes.data(), std::min(bytes.size(), buffer.memory.size()));
    frame.index = index;
    frame.bytesUsed = static_cast<uint32_t>(std::min(bytes.size(), buffer.memory.size()));
    if (shortenNext_ != 0) frame.bytesUsed = std::exchange(shortenNext_, 0);
    node.sequence += std::exchange(skipSequence_, 0);
    frame.sequence = node.sequence++;
    // The host's monotonic clock, here 1000 s after boot at the first frame's exposure.
    const int64_t monotonicNs = frame.truth.fromUnixNs - node.camera->Config().utcStartUnixNs + 1000000000000LL;
    frame.timestamp100ns = monotonicNs / 1000 * 10;
    b->index = index;
    b->bytesused = frame.bytesUsed;
    b->sequence = frame.sequence;
    b->timestamp.tv_sec = monotonicNs / 1000000000;
    b->timestamp.tv_usec = (monotonicNs % 1000000000) / 1000;
    b->flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | (std::exchange(corruptNext_, false) ? V4L2_BUF_FLAG_ERROR : 0);
    detail = std::to_string(index) + " sequence " + std::to_string(frame.sequence);
    delivered_.push_back(frame);
    return 0;
}

int FakeV4l2Kernel::Mmap(int fd, std::size_t length, int64_t offset, void** address) {
    std::lock_guard lock(mutex_);
    Node* node = NodeOf(fd);
    const std::string detail = std::to_string(offset / kOffsetStep) + " " + std::to_string(length);
    if (const int failure = TakeFailure("mmap")) return Record("mmap", detail, failure);
    if (!node || offset % kOffsetStep != 0 || static_cast<std::size_t>(offset / kOffsetStep) >= node->buffers.size()) {
        return Record("mmap", detail, -EINVAL);
    }
    Buffer& buffer = node->buffers[static_cast<std::size_t>(offset / kOffsetStep)];
    if (length != buffer.memory.size()) return Record("mmap", detail, -EINVAL);
    buffer.mapped = true;
    *address = buffer.memory.data();
    return Record("mmap", detail, 0);
}

int FakeV4l2Kernel::Munmap(void* address, std::size_t length) {
    std::lock_guard lock(mutex_);
    for (auto& [path, node] : nodes_) {
        for (std::size_t i = 0; i < node.buffers.size(); ++i) {
            Buffer& b = node.buffers[i];
            if (b.mapped && b.memory.data() == address && b.memory.size() == length) {
                b.mapped = false;
                return Record("munmap", std::to_string(i), 0);
            }
        }
    }
    return Record("munmap", "unknown", -EINVAL);
}

// Waits in real time up to the caller's slice; the tests' frames are ready at once, so
// the slice only bounds a wait for a budget or a stop.
int FakeV4l2Kernel::Poll(int fd, short /*events*/, int timeoutMs, short* revents) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] {
        Node* node = NodeOf(fd);
        return unplugged_ || !node || !node->streaming || FrameReady(*node);
    };
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    if (!ready()) return 0;
    Node* node = NodeOf(fd);
    *revents = (unplugged_ || !node || !node->streaming) ? static_cast<short>(POLLERR) : static_cast<short>(POLLIN);
    return 1;
}

}  // namespace orva::test
