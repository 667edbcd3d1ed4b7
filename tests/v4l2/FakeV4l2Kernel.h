#pragma once
// Ours: a fake kernel with uvcvideo-like device nodes that play simulated cameras. It
// answers the capability, format, buffer and streaming ioctls as the driver does, carries
// extension-unit queries to the camera's SimExtensionUnit, fills each dequeued buffer
// with the next frame the camera generates, and records every call with its arguments.
// Faults: a failing next call (by name), an unplug, short, corrupt and skipped frames,
// and a frame budget that paces the camera to the test.

#include "simcam/SimulatedCamera.h"
#include "v4l2/IV4l2Kernel.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orva::test {

class FakeV4l2Kernel final : public IV4l2Kernel {
public:
    static constexpr uint8_t kUnitId = 3;
    static constexpr uint32_t kMaxBuffers = 32;

    struct Call {
        std::string name;    // "VIDIOC_S_FMT", "UVCIOC_CTRL_QUERY", "open", "mmap" ...
        std::string detail;  // the arguments that matter, e.g. "176x128 YUYV"
        int result = 0;
        bool operator==(const Call&) const = default;
    };

    struct DeliveredFrame {
        SimFrameTruth truth;
        uint32_t index = 0;
        uint32_t sequence = 0;
        int64_t timestamp100ns = 0;
        uint32_t bytesUsed = 0;
    };

    // A capture node playing `camera`, or (null camera) a metadata node.
    void AddNode(const std::string& path, std::shared_ptr<SimulatedCamera> camera);

    // The next call of that name (as recorded) fails with -err.
    void FailNext(const std::string& name, int err);
    // The camera leaves the bus: every call on its node fails with ENODEV, a waiting poll
    // wakes with POLLERR.
    void Unplug();
    void ShortenNextFrame(uint32_t bytes);
    void CorruptNextFrame();
    void SkipSequence(uint32_t frames);
    // At most this many more frames are captured (std::numeric_limits<int>::max(): no limit).
    void SetFrameBudget(int frames);
    void AllowFrames(int frames);

    std::vector<Call> Calls() const;
    std::vector<std::string> CallNames() const;
    void ClearCalls();
    std::vector<DeliveredFrame> Delivered() const;
    int OpenDescriptors() const;
    int MappedBuffers() const;

    int Open(const std::string& path, int flags) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int Mmap(int fd, std::size_t length, int64_t offset, void** address) override;
    int Munmap(void* address, std::size_t length) override;
    int Poll(int fd, short events, int timeoutMs, short* revents) override;

private:
    static constexpr int64_t kOffsetStep = 1 << 24;

    struct Buffer {
        std::vector<uint8_t> memory;
        bool queued = false;
        bool mapped = false;
    };
    struct Node {
        std::shared_ptr<SimulatedCamera> camera;
        uint32_t width = 0;
        uint32_t height = 0;
        std::vector<Buffer> buffers;
        std::deque<uint32_t> queue;
        bool streaming = false;
        uint32_t sequence = 0;
    };

    int Record(const std::string& name, const std::string& detail, int result);
    int Dispatch(Node& node, unsigned long request, void* argument, std::string& detail);
    int ExtensionUnitQuery(Node& node, void* argument, std::string& detail);
    int Dequeue(Node& node, void* argument, std::string& detail);
    bool FrameReady(const Node& node) const;
    int TakeFailure(const std::string& name);
    Node* NodeOf(int fd);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Node> nodes_;
    std::map<int, std::string> descriptors_;
    int nextFd_ = 100;
    std::vector<Call> calls_;
    std::multimap<std::string, int> failures_;
    bool unplugged_ = false;
    uint32_t shortenNext_ = 0;
    bool corruptNext_ = false;
    uint32_t skipSequence_ = 0;
    int budget_ = std::numeric_limits<int>::max();
    std::vector<DeliveredFrame> delivered_;
};

}  // namespace orva::test
