// The simulated camera's video source and asynchronous reader.
#include "simcam/SimCameraDevice.h"
#include "simcam/SimVideoSample.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace orva {
namespace {

// Records the reader's callbacks; tests wait for them with a generous bound that only
// matters when the reader is broken.
class RecordingCallback final : public IVideoReaderCallback {
public:
    struct Delivery {
        int32_t status;
        uint32_t flags;
        int64_t timestamp;
        VideoSamplePtr sample;
    };

    void OnReadSample(int32_t status, uint32_t flags, int64_t timestamp, VideoSamplePtr sample) override {
        if (onSample) onSample();
        {
            std::lock_guard lock(mutex_);
            deliveries_.push_back({status, flags, timestamp, std::move(sample)});
        }
        changed_.notify_all();
    }
    void OnFlush() override {
        {
            std::lock_guard lock(mutex_);
            ++flushes_;
        }
        changed_.notify_all();
    }
    void OnEvent(uint32_t) override {}

    bool WaitForDeliveries(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return deliveries_.size() >= count; });
    }
    bool WaitForFlushes(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return flushes_ >= count; });
    }
    std::vector<Delivery> Deliveries() {
        std::lock_guard lock(mutex_);
        return deliveries_;
    }

    std::function<void()> onSample;  // set before reading starts

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Delivery> deliveries_;
    int flushes_ = 0;
};

const SimFrameTruth& TruthOf(const VideoSamplePtr& sample) {
    return static_cast<const SimVideoSample&>(*sample).Truth();
}

struct ReaderRig {
    explicit ReaderRig(Clock& clock, SimPacing pacing = SimPacing::RealTime) {
        SimCameraConfig config;
        config.pacing = pacing;
        camera = std::make_shared<SimulatedCamera>(config, clock);
        source = std::make_shared<SimCameraMediaSource>(camera);
        EXPECT_EQ(source->CreateReader({}, callback, reader), kVideoOk);
    }
    std::shared_ptr<SimulatedCamera> camera;
    std::shared_ptr<SimCameraMediaSource> source;
    std::shared_ptr<RecordingCallback> callback = std::make_shared<RecordingCallback>();
    std::shared_ptr<IVideoReader> reader;
};

TEST(SimVideoReader, NativeMediaTypesListEveryModeAtItsFrameRate) {
    test::ManualClock clock;
    ReaderRig rig(clock);
    const auto& modes = rig.camera->Modes();
    const uint32_t fastestMs[] = {25, 4, 2, 20, 20};
    VideoMediaType type;
    for (uint32_t i = 0; i < modes.size(); ++i) {
        ASSERT_EQ(rig.reader->GetNativeMediaType(i, type), kVideoOk);
        EXPECT_EQ(type.subtype, kVideoSubtypeYuy2);
        EXPECT_EQ(type.width, static_cast<uint32_t>(modes[i].transferWidth));
        EXPECT_EQ(type.height, static_cast<uint32_t>(modes[i].height));
        EXPECT_EQ(type.frameRateNumerator, 1000u);
        EXPECT_EQ(type.frameRateDenominator, fastestMs[i]) << i;
    }
    EXPECT_EQ(rig.reader->GetNativeMediaType(static_cast<uint32_t>(modes.size()), type), kVideoErrorNoMoreTypes);
}

TEST(SimVideoReader, SelectedTypeAndStreamDeliverOneFramePerRequest) {
    test::ManualClock clock;
    ReaderRig rig(clock);
    VideoMediaType type;
    ASSERT_EQ(rig.reader->GetNativeMediaType(2, type), kVideoOk);
    ASSERT_EQ(rig.reader->SetCurrentMediaType(type), kVideoOk);
    EXPECT_EQ(rig.camera->ModeIndex(), 2);
    VideoMediaType unknown = type;
    unknown.width = 133;
    EXPECT_LT(rig.reader->SetCurrentMediaType(unknown), 0);

    EXPECT_EQ(rig.reader->ReadSample(), kVideoErrorInvalidRequest) << "the stream is not selected yet";
    ASSERT_EQ(rig.reader->SetStreamSelection(true), kVideoOk);
    bool selected = false;
    ASSERT_EQ(rig.reader->GetStreamSelection(selected), kVideoOk);
    EXPECT_TRUE(selected);

    const auto start = clock.Now();
    for (std::size_t n = 1; n <= 3; ++n) {
        if (n == 3) rig.camera->Faults().DropFrames(2);
        ASSERT_EQ(rig.reader->ReadSample(), kVideoOk);
        ASSERT_TRUE(rig.callback->WaitForDeliveries(n));
    }
    const auto deliveries = rig.callback->Deliveries();
    ASSERT_EQ(deliveries.size(), 3u);
    for (std::size_t i = 0; i < deliveries.size(); ++i) {
        const auto& d = deliveries[i];
        ASSERT_EQ(d.status, kVideoOk);
        ASSERT_NE(d.sample, nullptr);
        const uint8_t* data = nullptr;
        std::size_t length = 0;
        ASSERT_EQ(d.sample->Lock(&data, &length), kVideoOk);
        EXPECT_EQ(length, 132u * 128u * 2u);
        d.sample->Unlock();
        EXPECT_EQ(d.sample->IsDiscontinuity(), i == 2);
    }
    EXPECT_EQ(TruthOf(deliveries[1].sample).frameNumber, TruthOf(deliveries[0].sample).frameNumber + 1);
    EXPECT_EQ(TruthOf(deliveries[2].sample).frameNumber, TruthOf(deliveries[1].sample).frameNumber + 3);
    EXPECT_EQ(deliveries[1].timestamp - deliveries[0].timestamp, 400000) << "40 ms in 100 ns units";
    EXPECT_GE(clock.Now() - start, std::chrono::milliseconds(120)) << "paced on the camera's clock";
}

TEST(SimVideoReader, FlushCancelsAPendingRequest) {
    ReaderRig rig(SteadyClock::Instance());
    ASSERT_EQ(rig.reader->SetStreamSelection(true), kVideoOk);
    rig.camera->StallDelivery(std::chrono::hours(1));
    ASSERT_EQ(rig.reader->ReadSample(), kVideoOk);
    ASSERT_EQ(rig.reader->Flush(), kVideoOk);
    ASSERT_TRUE(rig.callback->WaitForFlushes(1));
    EXPECT_TRUE(rig.callback->Deliveries().empty());
}

TEST(SimVideoReader, UnpluggedCameraFailsThePendingRequestAndLaterOnes) {
    ReaderRig rig(SteadyClock::Instance());
    ASSERT_EQ(rig.reader->SetStreamSelection(true), kVideoOk);
    rig.camera->StallDelivery(std::chrono::hours(1));
    ASSERT_EQ(rig.reader->ReadSample(), kVideoOk);
    rig.camera->Unplug();
    ASSERT_TRUE(rig.callback->WaitForDeliveries(1));
    const auto d = rig.callback->Deliveries()[0];
    EXPECT_LT(d.status, 0);
    EXPECT_EQ(d.flags & kStreamFlagError, kStreamFlagError);
    EXPECT_EQ(d.sample, nullptr);
    EXPECT_LT(rig.reader->ReadSample(), 0);
    VideoMediaType type;
    EXPECT_EQ(rig.reader->GetNativeMediaType(0, type), kVideoErrorShutdown);
}

TEST(SimVideoReader, ReaderReleasedInsideItsOwnCallback) {
    test::ManualClock clock;
    ReaderRig rig(clock, SimPacing::AsFastAsRequested);
    std::shared_ptr<IVideoReader>* readerSlot = &rig.reader;
    std::mutex slotMutex;
    rig.callback->onSample = [&] {
        std::lock_guard lock(slotMutex);
        readerSlot->reset();
    };
    ASSERT_EQ(rig.reader->SetStreamSelection(true), kVideoOk);
    {
        // The callback waits for the slot until both requests are out.
        std::lock_guard lock(slotMutex);
        ASSERT_EQ(rig.reader->ReadSample(), kVideoOk);
        ASSERT_EQ(rig.reader->ReadSample(), kVideoOk);
    }
    ASSERT_TRUE(rig.callback->WaitForDeliveries(1));
    std::lock_guard lock(slotMutex);
    EXPECT_EQ(rig.reader, nullptr);
}

}  // namespace
}  // namespace orva
