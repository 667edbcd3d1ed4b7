#pragma once
// A stream context, queue and worker without threads, over a manually delivering test
// source and a manual clock: tests step the producer and consumer themselves.

#include "FakeFrameConsumer.h"
#include "TestFrameSource.h"
#include "stream/CDmsContext.h"
#include "stream/CDmsFifo.h"
#include "stream/CDmsWorker.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orva::test {

class FakeRestartInteraction final : public IStreamRestartInteraction {
public:
    bool SaveCameraStatus() override {
        saves.fetch_add(1);
        return true;
    }
    void RestoreCameraStatus() override { restores.fetch_add(1); }
    std::atomic<int> saves{0};
    std::atomic<int> restores{0};
};

inline uint32_t PackResolution(uint16_t width, uint16_t height) {
    return (static_cast<uint32_t>(width) << 16) | height;
}

struct StreamTestRig {
    static constexpr uint16_t kWidth = 64;
    static constexpr uint16_t kHeight = 48;

    // Without an exposure provider the watchdog uses the expected frame time.
    explicit StreamTestRig(bool withExposureProvider = true);

    MediaStreamOptions Options();
    void Step(int times = 1);
    // CREATED -> IDLE with the source.
    void BringToIdle();
    // IDLE -> STREAMING with one frame requested.
    void BringToStreaming();
    // The source answers the request; the producer queues it and asks again; the consumer
    // takes it.
    void DeliverAndConsume();
    // Log messages since the last call.
    std::vector<std::string> NewMessages();

    const bool withExposureProvider;
    LogCapture log;
    ManualClock clock;
    std::shared_ptr<TestFrameSource> source =
        std::make_shared<TestFrameSource>(TestFrameSource::Delivery::kManual, kWidth, kHeight);
    FakeFrameConsumer consumer;
    FakeRestartInteraction interaction;
    double exposureMs = 1000.0;
    std::vector<std::pair<std::string, std::string>> warnings;
    CDmsContext context;
    CDmsFifo fifo{context.Statistics()};
    CDmsWorker worker{context, fifo, Options()};

private:
    std::size_t seen_ = 0;
};

}  // namespace orva::test
