#include "StreamTestRig.h"

#include <gtest/gtest.h>

namespace orva::test {

StreamTestRig::StreamTestRig(bool withExposureProvider) : withExposureProvider(withExposureProvider) {
    context.SetResolution(PackResolution(kWidth, kHeight));
    context.SetFrameProcessor(&consumer);
    context.SetCameraStatusInteraction(&interaction);
    NewMessages();
}

MediaStreamOptions StreamTestRig::Options() {
    MediaStreamOptions options;
    options.clock = &clock;
    options.startThreads = false;
    if (withExposureProvider) options.exposureTimeMs = [this] { return exposureMs; };
    options.showWarning = [this](const std::string& title, const std::string& text) {
        warnings.emplace_back(title, text);
    };
    return options;
}

void StreamTestRig::Step(int times) {
    for (int i = 0; i < times; ++i) worker.RunOneProducerStep();
}

void StreamTestRig::BringToIdle() {
    ASSERT_TRUE(worker.PostMediaSource(source));
    Step(2);
    ASSERT_EQ(worker.State(), DmsState::kIdle);
}

void StreamTestRig::BringToStreaming() {
    BringToIdle();
    ASSERT_TRUE(worker.PostStart());
    Step();
    ASSERT_EQ(worker.State(), DmsState::kStreaming);
}

void StreamTestRig::DeliverAndConsume() {
    ASSERT_TRUE(source->DeliverPending());
    Step();
    worker.RunOneConsumerStep();
}

std::vector<std::string> StreamTestRig::NewMessages() {
    const auto all = log.Messages();
    std::vector<std::string> result(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return result;
}

}  // namespace orva::test
