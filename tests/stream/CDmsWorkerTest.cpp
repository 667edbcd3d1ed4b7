#include "StreamTestRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;
using test::StreamTestRig;
using test::TestFrameSource;
using Kind = TestFrameSource::Kind;

const std::string kWarningText = "Failed to switch to the desired resolution. Please try starting the stream manually.";

// True when `expected` appears in `messages` in this order (other lines may lie between).
bool ContainsInOrder(const std::vector<std::string>& messages, const std::vector<std::string>& expected) {
    auto at = messages.begin();
    for (const auto& line : expected) {
        at = std::find(at, messages.end(), line);
        if (at == messages.end()) return false;
        ++at;
    }
    return true;
}

std::string Dump(const std::vector<std::string>& messages) {
    std::string text;
    for (const auto& m : messages) text += "  [" + m + "]\n";
    return text;
}

TEST(CDmsWorker, StartingLogsEveryStepAndRequestsOneFrame) {
    StreamTestRig rig;
    rig.BringToIdle();
    rig.NewMessages();
    ASSERT_TRUE(rig.worker.PostStart());
    rig.Step();

    const std::vector<std::string> expected = {
        "I Windows 8 or newer, setting MF_LOW_LATENCY to TRUE",
        "I Windows 8 or newer, setting MFMEDIASOURCE_DOES_NOT_USE_NETWORK flag",
        "I Windows 8 or newer, clearing MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING flag",
        "I Windows 8 or newer, clearing MF_SOURCE_READER_ENABLE_ADVANCED_VIDEO_PROCESSING flag",
        "I creating source reader",
        "I CDmsWorker::DeselectVideoStream",
        "I CDmsWorker::DeselectVideoStream, trying to deselect",
        "I CDmsWorker::DeselectVideoStream: deselected in iteration:  0",
        "I need to change media type",
        "I CDmsWorker::FindMediaType: 64 48",
        "I   + mediaType 0: 320 x 240, fps=25.000000  ",
        "I   + mediaType 1: 64 x 48, fps=30.000000  ***",
        "I setting media type",
        "I setting media type succeeded after (ms):  50",
        "I CDmsWorker::SelectVideoStream: selected in iteration:  0",
        "I streaming has started",
        "I starting complete",
    };
    EXPECT_EQ(rig.NewMessages(), expected);
    EXPECT_EQ(rig.worker.State(), DmsState::kStreaming);
    EXPECT_TRUE(rig.source->Selected());
    EXPECT_EQ(rig.source->PendingRequests(), 1);
    EXPECT_EQ(rig.context.requested.load(), 1);

    const VideoReaderOptions options = rig.source->LastReaderOptions();
    EXPECT_TRUE(options.disconnectSourceOnShutdown);
    EXPECT_TRUE(options.lowLatency);
    EXPECT_EQ(options.sourceCharacteristics, kSourceIsLive | kSourceDoesNotUseNetwork);
    EXPECT_TRUE(options.disableConverters);
    EXPECT_FALSE(options.enableVideoProcessing);
    EXPECT_FALSE(options.enableAdvancedVideoProcessing);
}

TEST(CDmsWorker, FindMediaTypeTakesTheFirstYuy2TypeOfTheWantedSize) {
    StreamTestRig rig;
    VideoMediaType audio;
    audio.majorType = VideoMajorType::kAudio;
    audio.width = 64;
    audio.height = 48;
    VideoMediaType mjpg{VideoMajorType::kVideo, FourCc('M', 'J', 'P', 'G'), 64, 48, true, 30, 1};
    VideoMediaType noRate{VideoMajorType::kVideo, kVideoSubtypeYuy2, 64, 48, false, 0, 0};
    VideoMediaType later{VideoMajorType::kVideo, kVideoSubtypeYuy2, 64, 48, true, 120, 2};
    rig.source->SetMediaTypes({audio, mjpg, noRate, later});
    rig.BringToStreaming();

    const std::vector<std::string> expected = {
        "I CDmsWorker::FindMediaType: 64 48",
        "I   + mediaType 1: 64 x 48, fps=30.000000  ",  // not YUY2: listed, not taken
        "I   + mediaType 2: 64 x 48, fps=30.000000  ***",  // no rate of its own: the previous one shows
        "I   + mediaType 3: 64 x 48, fps=60.000000  ***",
        "I setting media type",
    };
    const auto messages = rig.NewMessages();
    EXPECT_TRUE(ContainsInOrder(messages, expected)) << Dump(messages);
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [](const std::string& m) { return m.rfind("I   + mediaType 0", 0) == 0; }),
              0);
    ASSERT_TRUE(rig.source->CurrentType().has_value());
    EXPECT_FALSE(rig.source->CurrentType()->hasFrameRate);
}

TEST(CDmsWorker, FramesFlowInOrderWithOneRequestOutstanding) {
    StreamTestRig rig;
    rig.BringToStreaming();
    for (int i = 0; i < 5; ++i) rig.DeliverAndConsume();

    EXPECT_EQ(rig.consumer.Sequences(), (std::vector<uint64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(rig.consumer.Width(), StreamTestRig::kWidth);
    EXPECT_EQ(rig.consumer.Height(), StreamTestRig::kHeight);
    EXPECT_EQ(rig.context.received.load(), 5);
    EXPECT_EQ(rig.context.requested.load(), 6);
    EXPECT_EQ(rig.source->MaxPendingRequests(), 1);
    EXPECT_EQ(rig.source->Samples().live.load(), 0);
    auto& stats = rig.context.Statistics();
    EXPECT_EQ(stats.GetNofSamplesCounter(), 5u);
    EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(0), 5u);
    EXPECT_EQ(stats.GetProcessingTimeCounter(0), 5u);
    for (const auto& m : rig.NewMessages()) EXPECT_EQ(m.rfind("W ", 0), std::string::npos) << m;
}

TEST(CDmsWorker, FramesQueueWhileTheConsumerIsBusyAndTheOverflowIsCounted) {
    StreamTestRig rig;
    rig.BringToStreaming();
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(rig.source->DeliverPending());
        rig.Step();
    }
    EXPECT_EQ(rig.fifo.Count(), 7u);
    EXPECT_EQ(rig.context.Statistics().GetNofFifoFullCounter(), 2u);
    EXPECT_EQ(rig.source->Samples().live.load(), 7);
    while (rig.worker.RunOneConsumerStep()) {
    }
    EXPECT_EQ(rig.consumer.Sequences(), (std::vector<uint64_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(rig.source->Samples().live.load(), 0);
}

TEST(CDmsWorker, ArrivedFrameAlreadyTakenLogsNoFrame) {
    StreamTestRig rig;
    rig.BringToStreaming();
    ASSERT_TRUE(rig.source->DeliverPending());
    rig.worker.RunOneConsumerStep();  // taken before the producer looked
    rig.NewMessages();
    rig.Step();
    EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{"W no frame! req/rcv = 1 1"});
    EXPECT_EQ(rig.source->PendingRequests(), 1);
}

TEST(CDmsWorker, StartFailuresAreLoggedAndStillEndInStreaming) {
    struct Case {
        const char* name;
        std::function<void(StreamTestRig&)> setup;
        std::vector<std::string> expected;  // in this order
        bool warning;
    };
    const std::string failed = std::to_string(kVideoErrorFailed);
    const std::vector<Case> cases = {
        {"no type of the wanted size",
         [](StreamTestRig& r) { r.context.SetResolution(test::PackResolution(800, 600)); },
         {"E no media type found with requested resolution: 800 600",
          "E CDmsWorker::RequestOneFrame: failed:  " + std::to_string(kVideoErrorInvalidRequest)},
         true},
        {"native types unreadable", [](StreamTestRig& r) { r.source->FailNativeMediaTypes(kVideoErrorShutdown); },
         {"E CDmsWorker::FindMediaType: failed to access native media types",
          "E no media type found with requested resolution: 64 48"},
         true},
        {"media type refused 20 times", [](StreamTestRig& r) { r.source->RefuseMediaType(20, kVideoErrorFailed); },
         {"I setting media type", "E setting media type failed: " + failed},
         true},
        {"media type refused 19 times", [](StreamTestRig& r) { r.source->RefuseMediaType(19, kVideoErrorFailed); },
         {"I setting media type succeeded after (ms):  1000", "I streaming has started"},
         false},
        {"selection refused", [](StreamTestRig& r) { r.source->RefuseSelection(100, kVideoErrorFailed); },
         {"E CDmsWorker::SelectVideoStream: selecting video stream failed failed:" + (" " + failed),
          "I streaming has started", "I starting complete"},
         false},
        {"selection refused 99 times, then slow", [](StreamTestRig& r) {
             r.source->RefuseSelection(99, kVideoErrorFailed);
             r.source->DelaySelection(3);
         },
         {"I CDmsWorker::SelectVideoStream: selected in iteration:  3", "I streaming has started"},
         false},
        {"selection never shows", [](StreamTestRig& r) {
             r.source->SetInitiallySelected(false);
             r.source->DelaySelection(1000);
         },
         {"W CDmsWorker::SelectVideoStream: failed to select the video stream (timeout)",
          "I streaming has started"},
         false},
        {"no reader", [](StreamTestRig& r) { r.source->SetCreateReaderResult(kVideoErrorShutdown); },
         {"I creating source reader",
          "E CDmsWorker::CreateSourceReader: failed to create source reader " + std::to_string(kVideoErrorShutdown),
          "E CDmsWorker::RequestOneFrame: No source reader!"},
         false},
        {"deselection refused", [](StreamTestRig& r) { r.source->RefuseDeselection(100, kVideoErrorFailed); },
         {"I CDmsWorker::DeselectVideoStream, trying to deselect",
          "E CDmsWorker::DeselectVideoStream: deselecting video stream failed: " + failed},
         false},
        {"deselection never shows", [](StreamTestRig& r) { r.source->DelaySelection(1000); },
         {"W CDmsWorker::DeselectVideoStream: failed to deselect the video stream (timeout)"},
         false},
        {"already deselected", [](StreamTestRig& r) { r.source->SetInitiallySelected(false); },
         {"I CDmsWorker::DeselectVideoStream, already deselected", "I starting complete"},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StreamTestRig rig;
        c.setup(rig);
        rig.BringToStreaming();
        const auto messages = rig.NewMessages();
        EXPECT_TRUE(ContainsInOrder(messages, c.expected)) << Dump(messages);
        if (c.warning) {
            ASSERT_EQ(rig.warnings.size(), 1u);
            EXPECT_EQ(rig.warnings[0].first, "Error");
            EXPECT_EQ(rig.warnings[0].second, kWarningText);
        } else {
            EXPECT_TRUE(rig.warnings.empty());
        }
    }
}

TEST(CDmsWorker, DeselectionThatNeverShowsStopsTheStartBeforeTheMediaType) {
    StreamTestRig rig;
    rig.source->DelaySelection(1000);
    rig.BringToStreaming();
    const auto messages = rig.NewMessages();
    EXPECT_EQ(std::find(messages.begin(), messages.end(), "I need to change media type"), messages.end());
}

TEST(CDmsWorker, WatchdogRestartsAStalledStreamJustAfterTheLimit) {
    struct Case {
        double exposureMs;
        bool provider;  // else the expected frame time stands in
        int64_t limitMs;
    };
    const Case cases[] = {{1000.0, true, 8000}, {0.5, true, 6001}, {2500.7, true, 11001}, {200.0, false, 6400}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limitMs);
        StreamTestRig rig(c.provider);
        rig.exposureMs = c.exposureMs;
        rig.context.SetExpectedFrameTimeMs(c.exposureMs);
        rig.BringToStreaming();
        rig.DeliverAndConsume();  // the second frame is requested now and never comes
        rig.NewMessages();

        rig.clock.Advance(std::chrono::milliseconds(c.limitMs));
        rig.Step();
        EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{"W CDmsWorker::DoSingleWorkUnit: No frame available:  2 1"});
        EXPECT_EQ(rig.worker.State(), DmsState::kStreaming);
        EXPECT_EQ(rig.interaction.saves.load(), 0);

        rig.clock.Advance(1ms);
        rig.Step();
        const std::vector<std::string> stopping = {
            "W CDmsWorker::DoSingleWorkUnit: No frame available:  2 1",
            "W CDmsWorker::DoSingleWorkUnit: Re-starting streaming.",
            "I CDmsWorker::DoStopStreaming, flushing all streams",
            "I CDmsSourceReaderCallback::OnFlush",
            "I CDmsWorker::DoStopStreaming, deselecting all streams",
            "I CDmsWorker::DeselectVideoStream",
            "I CDmsWorker::DeselectVideoStream, trying to deselect",
            "I CDmsWorker::DeselectVideoStream: deselected in iteration:  0",
            "I CDmsWorker::DoStopStreaming, stopping complete",
        };
        EXPECT_EQ(rig.NewMessages(), stopping);
        EXPECT_EQ(rig.worker.State(), DmsState::kIdle);
        EXPECT_EQ(rig.interaction.saves.load(), 1);
        EXPECT_EQ(rig.source->PendingRequests(), 0);

        rig.Step();  // starts again by itself
        EXPECT_EQ(rig.worker.State(), DmsState::kStreaming);
        EXPECT_EQ(rig.interaction.restores.load(), 0);
        rig.DeliverAndConsume();  // the settings come back with the first unit of the new stream
        EXPECT_EQ(rig.interaction.restores.load(), 1);
        EXPECT_EQ(rig.consumer.Sequences(), (std::vector<uint64_t>{1, 2}));
        rig.DeliverAndConsume();
        EXPECT_EQ(rig.interaction.restores.load(), 1);
    }
}

TEST(CDmsWorker, WatchdogAlsoRetriesAStartThatFoundNoReader) {
    StreamTestRig rig;
    rig.source->SetCreateReaderResult(kVideoErrorShutdown);
    rig.BringToStreaming();
    rig.clock.Advance(8001ms);
    rig.NewMessages();
    rig.Step();
    const std::vector<std::string> expected = {
        "W CDmsWorker::DoSingleWorkUnit: No frame available:  1 0",
        "W CDmsWorker::DoSingleWorkUnit: Re-starting streaming.",
        "E CDmsWorker::DoStopStreaming: no source reader",
    };
    EXPECT_EQ(rig.NewMessages(), expected);
    EXPECT_EQ(rig.worker.State(), DmsState::kIdle);

    rig.source->SetCreateReaderResult(kVideoOk);  // the camera is back
    rig.Step();
    ASSERT_EQ(rig.worker.State(), DmsState::kStreaming);
    rig.DeliverAndConsume();
    EXPECT_EQ(rig.consumer.Sequences(), std::vector<uint64_t>{1});
}

TEST(CDmsWorker, RefusedReadIsLoggedAndLeftToTheWatchdog) {
    StreamTestRig rig;
    rig.source->RefuseReads(1, kVideoErrorShutdown);
    rig.BringToStreaming();
    EXPECT_TRUE(ContainsInOrder(rig.NewMessages(),
                                {"E CDmsWorker::RequestOneFrame: failed:  " + std::to_string(kVideoErrorShutdown)}));
    EXPECT_EQ(rig.context.requested.load(), 1);
    rig.clock.Advance(8001ms);
    rig.Step();
    EXPECT_EQ(rig.worker.State(), DmsState::kIdle);
}

TEST(CDmsWorker, StopRequestStopsStreaming) {
    StreamTestRig rig;
    rig.BringToStreaming();
    rig.NewMessages();
    ASSERT_EQ(rig.worker.PostStop(), CDmsWorker::StopPost::kPosted);
    rig.Step();
    const std::vector<std::string> expected = {
        "I CDmsWorker::DoSingleWorkUnit, stop requested",
        "I CDmsWorker::DoStopStreaming, flushing all streams",
        "I CDmsSourceReaderCallback::OnFlush",
        "I CDmsWorker::DoStopStreaming, deselecting all streams",
        "I CDmsWorker::DeselectVideoStream",
        "I CDmsWorker::DeselectVideoStream, trying to deselect",
        "I CDmsWorker::DeselectVideoStream: deselected in iteration:  0",
        "I CDmsWorker::DoStopStreaming, stopping complete",
        "I CDmsWorker::DoSingleWorkUnit, state IDLE",
        "I CDmsWorker::DoSingleWorkUnit, DoWorkNow",
    };
    EXPECT_EQ(rig.NewMessages(), expected);
    EXPECT_EQ(rig.worker.State(), DmsState::kIdle);
    EXPECT_EQ(rig.source->PendingRequests(), 0);
    EXPECT_FALSE(rig.source->Selected());
}

TEST(CDmsWorker, FlushThatNeverCompletesIsLoggedAfterOneSecondAndStoppingGoesOn) {
    StreamTestRig rig;
    rig.BringToStreaming();
    rig.source->SetFlushCompletes(false);
    rig.worker.PostStop();
    const auto before = rig.clock.Now();
    rig.NewMessages();
    rig.Step();
    EXPECT_GE(rig.clock.Now() - before, 1000ms);
    EXPECT_TRUE(ContainsInOrder(rig.NewMessages(), {"I CDmsWorker::DoStopStreaming, flushing all streams",
                                                    "E flushing failed",
                                                    "I CDmsWorker::DoStopStreaming, stopping complete",
                                                    "I CDmsWorker::DoSingleWorkUnit, state IDLE"}));
    EXPECT_EQ(rig.worker.State(), DmsState::kIdle);
}

TEST(CDmsWorker, ControlRequestsOutOfStateAreRefused) {
    StreamTestRig rig;
    EXPECT_FALSE(rig.worker.PostStart());
    EXPECT_EQ(rig.worker.PostStop(), CDmsWorker::StopPost::kNotInitialized);
    rig.Step(3);
    EXPECT_EQ(rig.worker.State(), DmsState::kCreated);  // no source yet
    EXPECT_EQ(rig.source->CreateReaderCalls(), 0);
    EXPECT_EQ(rig.NewMessages(), (std::vector<std::string>{"E CDmsWorker::StartStreamingBlocking: Not initialized!",
                                                           "E CDmsWorker::StopStreamingBlocking: Not initialized!"}));

    rig.BringToIdle();
    EXPECT_FALSE(rig.worker.PostMediaSource(rig.source));
    EXPECT_EQ(rig.NewMessages(),
              std::vector<std::string>{"E CDmsWorker::InitializeWithMediaSourceBlocking: Not in state CREATED! 20"});
}

TEST(CDmsWorker, StopWhileIdleStillEmptiesTheQueue) {
    StreamTestRig rig;
    rig.BringToIdle();
    for (uint64_t i = 1; i <= 3; ++i) rig.fifo.AppendSample(rig.source->MakeSample(i, 6144), 64, 48, 0);
    rig.NewMessages();
    rig.worker.StopStreamingBlocking();
    EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{"I CDmsWorker::StopStreamingBlocking: Not streaming"});
    EXPECT_TRUE(rig.fifo.IsEmpty());
    EXPECT_EQ(rig.source->Samples().live.load(), 0);
}

TEST(CDmsWorker, DeliveriesWithoutAFrameAskAgainWithoutCountingAFrame) {
    struct Case {
        Kind kind;
        std::string line;
        int received;  // after the delivery
    };
    const Case cases[] = {
        {Kind::kStreamTick, "W CDmsSourceReaderCallback::OnReadSample discontinuity (1)", 0},
        {Kind::kNoSample, "W CDmsSourceReaderCallback::OnReadSample no sample", 0},
        {Kind::kDiscontinuity, "W CDmsSourceReaderCallback::OnReadSample discontinuity (2)", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        StreamTestRig rig;
        rig.BringToStreaming();
        rig.source->QueueDelivery(c.kind);
        rig.NewMessages();
        ASSERT_TRUE(rig.source->DeliverPending());
        EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{c.line});
        EXPECT_EQ(rig.context.received.load(), c.received);
        EXPECT_EQ(rig.context.requested.load(), 1);
        EXPECT_EQ(rig.source->PendingRequests(), 1 - c.received);
    }
}

TEST(CDmsWorker, ReaderEventsAreLogged) {
    StreamTestRig rig;
    rig.BringToStreaming();
    rig.NewMessages();
    rig.source->NotifyEvent(7);
    EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{"I CDmsSourceReaderCallback::OnEvent"});
}

TEST(CDmsWorker, InitTimesOutWhenTheWorkerDoesNotTakeTheSource) {
    StreamTestRig rig;  // no producer thread: the state stays CREATED
    std::atomic<bool> done{false};
    bool result = true;
    std::thread caller([&] {
        result = rig.worker.InitializeWithMediaSourceBlocking(rig.source);
        done = true;
    });
    while (!done) {
        rig.clock.Advance(100ms);
        std::this_thread::yield();
    }
    caller.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(rig.NewMessages(), (std::vector<std::string>{"I CDmsWorker::InitializeWithMediaSourceBlocking",
                                                           "E CDmsWorker::InitializeWithMediaSourceBlocking: Timeout!"}));
}

TEST(CDmsWorker, FrameOfTheWrongSizeIsLoggedAndDroppedAndTheNextOneFlows) {
    struct Case {
        Kind kind;
        std::string line;
    };
    const Case cases[] = {
        {Kind::kWrongSize, "W frame size, actual/expected bytes: 6142 6144"},
        {Kind::kLockFails, "W frame size, actual/expected bytes: 0 6144"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        StreamTestRig rig;
        rig.BringToStreaming();
        rig.source->QueueDelivery(c.kind);
        rig.NewMessages();
        rig.DeliverAndConsume();
        EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{c.line});
        EXPECT_TRUE(rig.fifo.IsEmpty());
        rig.DeliverAndConsume();
        EXPECT_EQ(rig.consumer.Sequences(), std::vector<uint64_t>{2});
        EXPECT_EQ(rig.source->Samples().live.load(), 0);
        EXPECT_EQ(rig.context.Statistics().GetNofSamplesCounter(), 2u);
    }
}

TEST(CDmsWorker, ProcessingTimeIsCountedAgainstTheExpectedFrameTime) {
    struct Case {
        int ms;
        int bucket;
    };
    const Case cases[] = {{24, 0}, {25, 1}, {75, 3}, {100, 4}};
    StreamTestRig rig;
    rig.context.SetExpectedFrameTimeMs(100.0);
    rig.BringToStreaming();
    int processingMs = 0;
    rig.consumer.onFrame = [&](uint64_t) { rig.clock.Advance(std::chrono::milliseconds(processingMs)); };
    auto& stats = rig.context.Statistics();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ms);
        const uint32_t before = stats.GetProcessingTimeCounter(c.bucket);
        processingMs = c.ms;
        rig.DeliverAndConsume();
        EXPECT_EQ(stats.GetProcessingTimeCounter(c.bucket), before + 1);
    }
}

TEST(CDmsWorker, SuspendedProcessorGetsNoFramesButTheTimeIsCounted) {
    StreamTestRig rig;
    rig.consumer.suspended = true;
    rig.BringToStreaming();
    rig.DeliverAndConsume();
    EXPECT_EQ(rig.consumer.FramesConsumed(), 0u);
    EXPECT_EQ(rig.consumer.Width(), 0);
    EXPECT_EQ(rig.context.Statistics().GetProcessingTimeCounter(0), 1u);

    rig.context.SetFrameProcessor(nullptr);
    rig.DeliverAndConsume();
    EXPECT_EQ(rig.context.Statistics().GetProcessingTimeCounter(0), 2u);
}

TEST(CDmsWorker, EachFrameCarriesItsReceiveTimeAndStreamSequence) {
    StreamTestRig rig;
    rig.BringToStreaming();
    rig.consumer.onFrame = [&](uint64_t) { rig.clock.Advance(40ms); };
    const auto first = std::chrono::duration_cast<std::chrono::milliseconds>(rig.clock.Now().time_since_epoch());
    rig.DeliverAndConsume();
    rig.DeliverAndConsume();
    const auto frames = rig.consumer.ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].receivedMs, first.count());
    EXPECT_EQ(frames[1].receivedMs, first.count() + 40);
    EXPECT_EQ(frames[1].streamSequence, frames[0].streamSequence + 1);
    EXPECT_FALSE(frames[0].discontinuity);
    EXPECT_FALSE(frames[1].discontinuity);
}

TEST(CDmsWorker, ExceptionsInEitherThreadAreLoggedAndWorkGoesOn) {
    StreamTestRig rig;
    rig.source->ThrowFromNativeMediaTypes(true);
    rig.BringToIdle();
    rig.worker.PostStart();
    rig.NewMessages();
    rig.Step();
    EXPECT_TRUE(ContainsInOrder(rig.NewMessages(),
                                {"I CDmsWorker::ProduceForever: std::exception  native types unavailable"}));
    EXPECT_EQ(rig.worker.State(), DmsState::kIdle);

    rig.source->ThrowFromNativeMediaTypes(false);
    rig.worker.PostStart();
    rig.Step();
    ASSERT_EQ(rig.worker.State(), DmsState::kStreaming);
    rig.consumer.onFrame = [](uint64_t sequence) {
        if (sequence == 1) throw std::runtime_error("bad frame");
    };
    rig.NewMessages();
    rig.DeliverAndConsume();
    EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{"I CDmsWorker::ConsumeForever: std::exception  bad frame"});
    rig.DeliverAndConsume();
    EXPECT_EQ(rig.consumer.Sequences(), std::vector<uint64_t>{2});
    EXPECT_EQ(rig.source->Samples().live.load(), 0);
}

TEST(CDmsWorker, DeInitForgetsTheSourceAndStartsOver) {
    StreamTestRig rig;
    rig.BringToStreaming();
    rig.worker.PostStop();
    rig.Step();
    rig.NewMessages();
    rig.worker.DeInit();
    EXPECT_EQ(rig.NewMessages(),
              (std::vector<std::string>{"I CDmsWorker::DeInit", "I CDmsWorker::DeInit, m_requestReInit := 1"}));
    EXPECT_FALSE(rig.source->ReaderAlive());
    EXPECT_EQ(rig.context.MediaSource(), nullptr);
    rig.Step();
    EXPECT_EQ(rig.NewMessages(), std::vector<std::string>{"I CDmsWorker::DoSingleWorkUnit, m_requestReInit"});
    EXPECT_EQ(rig.worker.State(), DmsState::kCreated);

    rig.BringToStreaming();  // a new source hand-over works as the first did
    rig.DeliverAndConsume();
    EXPECT_EQ(rig.source->CreateReaderCalls(), 2);
}

}  // namespace
}  // namespace orva
