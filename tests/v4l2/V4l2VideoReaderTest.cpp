// The V4L2 video reader against the fake kernel: the media types it lists, the exact
// ioctls of selecting a type and of starting and stopping streaming, each frame's
// sequence number and time stamp, discontinuities, short and corrupt frames, and every
// error path with its logged code.
#include "V4l2TestRig.h"
#include "support/LogCapture.h"
#include "v4l2/V4l2CameraDevice.h"
#include "v4l2/V4l2VideoReader.h"
#include "v4l2/V4l2ResultCode.h"
#include "v4l2/V4l2VideoSample.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>

namespace orva {
namespace {

using namespace std::chrono_literals;

struct Delivery {
    int32_t status = 0;
    uint32_t flags = 0;
    std::shared_ptr<V4l2VideoSample> sample;
};

class RecordingCallback final : public IVideoReaderCallback {
public:
    void OnReadSample(int32_t status, uint32_t flags, int64_t, VideoSamplePtr sample) override {
        std::lock_guard lock(mutex_);
        deliveries_.push_back({status, flags, std::dynamic_pointer_cast<V4l2VideoSample>(std::move(sample))});
        changed_.notify_all();
    }
    void OnFlush() override {}
    void OnEvent(uint32_t) override {}
    Delivery Next() {
        std::unique_lock lock(mutex_);
        EXPECT_TRUE(changed_.wait_for(lock, 10s, [&] { return taken_ < deliveries_.size(); }));
        if (taken_ >= deliveries_.size()) return {};
        return std::move(deliveries_[taken_++]);
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Delivery> deliveries_;
    std::size_t taken_ = 0;
};

class V4l2VideoReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        int error = 0;
        device = V4l2DeviceHandle::Open(rig.kernel, rig.sysfs.DevRoot() + "/video0", error);
        ASSERT_NE(device, nullptr);
        V4l2ReaderOptions options;
        options.onDeviceGone = [this] { ++gone; };
        reader = std::make_unique<V4l2VideoReader>(device, callback, options);
    }

    // Lists the types and selects mode 2 (176 x 128, packed into 132 x 128 samples).
    void SelectSmallMode() {
        VideoMediaType type;
        ASSERT_EQ(reader->GetNativeMediaType(2, type), kVideoOk);
        ASSERT_EQ(type.width, 132u);
        ASSERT_EQ(reader->SetCurrentMediaType(type), kVideoOk);
    }
    static constexpr std::size_t kFrameBytes = 132 * 128 * 2;
    std::vector<std::string> CallsSince() {
        std::vector<std::string> calls;
        for (const auto& c : rig.kernel->Calls()) calls.push_back(c.name + (c.detail.empty() ? "" : " " + c.detail));
        rig.kernel->ClearCalls();
        return calls;
    }

    test::LogCapture log;
    test::V4l2TestRig rig;
    std::shared_ptr<V4l2DeviceHandle> device;
    std::shared_ptr<RecordingCallback> callback = std::make_shared<RecordingCallback>();
    std::unique_ptr<V4l2VideoReader> reader;
    std::atomic<int> gone{0};
};

TEST_F(V4l2VideoReaderTest, ListsEveryModeAtItsFastestRateAsYuy2) {
    const auto& modes = rig.camera->Modes();
    for (uint32_t i = 0; i < modes.size(); ++i) {
        VideoMediaType type;
        ASSERT_EQ(reader->GetNativeMediaType(i, type), kVideoOk);
        EXPECT_EQ(type.majorType, VideoMajorType::kVideo);
        EXPECT_EQ(type.subtype, kVideoSubtypeYuy2);
        EXPECT_EQ(type.width, static_cast<uint32_t>(modes[i].transferWidth));
        EXPECT_EQ(type.height, static_cast<uint32_t>(modes[i].height));
        const auto [num, den] = rig.camera->FrameRate(static_cast<int>(i));
        EXPECT_TRUE(type.hasFrameRate);
        EXPECT_EQ(uint64_t{type.frameRateNumerator} * den, uint64_t{num} * type.frameRateDenominator) << i;
    }
    VideoMediaType past;
    EXPECT_EQ(reader->GetNativeMediaType(static_cast<uint32_t>(modes.size()), past), kVideoErrorNoMoreTypes);
}

TEST_F(V4l2VideoReaderTest, StartingAndStoppingMakeExactlyTheseCalls) {
    VideoMediaType type;
    ASSERT_EQ(reader->GetNativeMediaType(2, type), kVideoOk);
    rig.kernel->ClearCalls();
    ASSERT_EQ(reader->SetCurrentMediaType(type), kVideoOk);
    EXPECT_EQ(CallsSince(), (std::vector<std::string>{
                                "VIDIOC_S_FMT 132x128",
                                "VIDIOC_S_PARM " + std::to_string(type.frameRateDenominator) + "/" +
                                    std::to_string(type.frameRateNumerator)}));
    ASSERT_EQ(reader->SetStreamSelection(true), kVideoOk);
    std::vector<std::string> start = {"VIDIOC_REQBUFS 10"};
    for (int i = 0; i < 10; ++i) {
        start.push_back("VIDIOC_QUERYBUF " + std::to_string(i));
        start.push_back("mmap " + std::to_string(i) + " " + std::to_string(kFrameBytes));
    }
    for (int i = 0; i < 10; ++i) start.push_back("VIDIOC_QBUF " + std::to_string(i));
    start.push_back("VIDIOC_STREAMON");
    EXPECT_EQ(CallsSince(), start);
    bool selected = false;
    ASSERT_EQ(reader->GetStreamSelection(selected), kVideoOk);
    EXPECT_TRUE(selected);

    ASSERT_EQ(reader->ReadSample(), kVideoOk);
    Delivery d = callback->Next();
    ASSERT_NE(d.sample, nullptr);
    EXPECT_EQ(CallsSince(), std::vector<std::string>{"VIDIOC_DQBUF 0 sequence 0"});
    d.sample.reset();  // back to the driver
    EXPECT_EQ(CallsSince(), std::vector<std::string>{"VIDIOC_QBUF 0"});

    ASSERT_EQ(reader->SetStreamSelection(false), kVideoOk);
    std::vector<std::string> stop = {"VIDIOC_STREAMOFF"};
    for (int i = 0; i < 10; ++i) stop.push_back("munmap " + std::to_string(i));
    stop.push_back("VIDIOC_REQBUFS 0");
    EXPECT_EQ(CallsSince(), stop);
    EXPECT_EQ(rig.kernel->MappedBuffers(), 0);
    EXPECT_EQ(reader->ReadSample(), kVideoErrorInvalidRequest);
}

TEST_F(V4l2VideoReaderTest, FramesKeepSequenceAndTimeAndGapsAreDiscontinuities) {
    SelectSmallMode();
    ASSERT_EQ(reader->SetStreamSelection(true), kVideoOk);
    std::vector<Delivery> got;
    auto next = [&] {
        EXPECT_EQ(reader->ReadSample(), kVideoOk);
        got.push_back(callback->Next());
        return got.back().sample;
    };
    next();
    next();
    rig.kernel->SkipSequence(2);  // the driver lost two frames
    next();
    next();
    rig.kernel->CorruptNextFrame();  // dropped by the reader, the next one follows a gap
    next();
    rig.kernel->ShortenNextFrame(1000);
    next();
    const auto delivered = rig.kernel->Delivered();
    ASSERT_EQ(delivered.size(), 7u);
    const std::size_t fromKernel[] = {0, 1, 2, 3, 5, 6};
    const bool gaps[] = {false, false, true, false, true, false};
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(got[i].sample, nullptr);
        const auto& k = delivered[fromKernel[i]];
        EXPECT_EQ(got[i].sample->Sequence(), k.sequence);
        EXPECT_EQ(got[i].sample->Timestamp100ns(), k.timestamp100ns);
        EXPECT_EQ(got[i].sample->IsDiscontinuity(), gaps[i]);
        const uint8_t* data = nullptr;
        std::size_t length = 0;
        ASSERT_EQ(got[i].sample->Lock(&data, &length), kVideoOk);
        EXPECT_EQ(length, i == 5 ? 1000u : kFrameBytes);
        got[i].sample->Unlock();
    }
    EXPECT_EQ(got[2].sample->Sequence(), 4u);
    EXPECT_TRUE(log.Contains("W V4l2VideoReader: frame with transfer error dropped, sequence 6"));
}

TEST_F(V4l2VideoReaderTest, EachFailingCallGivesItsLoggedCode) {
    struct Case {
        const char* call;
        int err;
        std::string logLine;
    };
    const Case cases[] = {
        {"VIDIOC_S_FMT", EBUSY, "E V4l2VideoReader: VIDIOC_S_FMT failed: -2147024726"},
        {"VIDIOC_REQBUFS", EBUSY, "E V4l2BufferSet: VIDIOC_REQBUFS failed: -2147024726"},
        {"mmap", ENOMEM, "E V4l2BufferSet: mmap failed: -2147024882"},
        {"VIDIOC_QBUF", EIO, "E V4l2BufferSet: VIDIOC_QBUF failed: -2147023779"},
        {"VIDIOC_STREAMON", EIO, "E V4l2BufferSet: VIDIOC_STREAMON failed: -2147023779"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        rig.kernel->FailNext(c.call, c.err);
        VideoMediaType type;
        ASSERT_EQ(reader->GetNativeMediaType(2, type), kVideoOk);
        int32_t result = reader->SetCurrentMediaType(type);
        if (result == kVideoOk) result = reader->SetStreamSelection(true);
        EXPECT_EQ(result, ResultFromErrno(-c.err));
        EXPECT_TRUE(log.Contains(c.logLine));
        bool selected = true;
        reader->GetStreamSelection(selected);
        EXPECT_FALSE(selected);
        EXPECT_EQ(rig.kernel->MappedBuffers(), 0);  // nothing left half set up
    }
}

TEST_F(V4l2VideoReaderTest, AFailedDequeueEndsTheStreamAndAVanishedCameraIsReported) {
    const std::pair<int, bool> cases[] = {{EIO, false}, {ENODEV, true}};
    for (const auto& [err, isGone] : cases) {
        SCOPED_TRACE(err);
        SelectSmallMode();
        ASSERT_EQ(reader->SetStreamSelection(true), kVideoOk);
        if (isGone) {
            rig.kernel->Unplug();
        } else {
            rig.kernel->FailNext("VIDIOC_DQBUF", err);
        }
        ASSERT_EQ(reader->ReadSample(), kVideoOk);
        const Delivery d = callback->Next();
        const int32_t code = isGone ? -2147023729 : -2147023779;
        EXPECT_EQ(d.status, code);
        EXPECT_EQ(d.flags, kStreamFlagError);
        EXPECT_EQ(d.sample, nullptr);
        EXPECT_TRUE(log.Contains("E V4l2VideoReader: VIDIOC_DQBUF failed: " + std::to_string(code)));
        EXPECT_EQ(reader->ReadSample(), code);
        EXPECT_EQ(gone.load(), isGone ? 1 : 0);
        reader->SetStreamSelection(false);
    }
}

}  // namespace
}  // namespace orva
