// One recording from start to finish through the station over the simulated camera in
// real time: how it ends, what its read-outs count, and what happens when the camera
// goes quiet or the disk fills up.

#include "station/RecordingSession.h"

#include "events/OwEventManager.h"
#include "recording/AdvFormat.h"
#include "recording/AdvReader.h"
#include "recording/SerReader.h"
#include "station/SimulatedStation.h"

#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>


#include <chrono>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

// 176 x 128 at 5 ms: 200 frames a second.
const StationCameraSettings kFastMode{2, 5.0, 0, 0, 0};
constexpr uint64_t kFrameTicks = 50000;
// Platform file time = frame timestamp minus this.
constexpr uint64_t kFileTimeOffset = 504911232000000000ULL;

// Steps the session as the front end's loop does, until it has finished.
bool RunToEnd(RecordingSession& session, std::chrono::seconds limit = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!session.IsFinished()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        session.Step();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(RecordingSession, EndsAsAskedAndItsReadOutsCountOnlyTheFramesInTheFile) {
    struct Case {
        const char* name;
        int32_t every;
        int64_t frames;
        uint64_t durationTicks;
        RecordingOutcome outcome;
        int64_t expectedFrames;
        uint64_t expectedStep;  // frame time between two recorded frames
    };
    const Case cases[] = {
        {"frame limit", 1, 20, 0, RecordingOutcome::FrameLimit, 20, kFrameTicks},
        {"every third frame", 3, 10, 0, RecordingOutcome::FrameLimit, 10, 3 * kFrameTicks},
        {"duration", 1, 0, 40 * kFrameTicks, RecordingOutcome::DurationReached, 40, kFrameTicks},
        {"duration, every fourth frame", 4, 0, 40 * kFrameTicks, RecordingOutcome::DurationReached, 10,
         4 * kFrameTicks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SimulatedStation rig(kFastMode);
        ASSERT_TRUE(rig.ConnectAndStream());
        RecordingSession session(*rig.station);
        RecordingSessionOptions options;
        options.frameInterval = c.every;
        options.frameLimit = c.frames;
        options.durationTicks = c.durationTicks;
        ASSERT_TRUE(session.Start(options)) << session.FailureMessage();
        ASSERT_TRUE(RunToEnd(session));
        EXPECT_EQ(session.Outcome(), c.outcome);
        EXPECT_TRUE(session.FailureMessage().empty()) << session.FailureMessage();
        EXPECT_EQ(session.FramesWritten(), c.expectedFrames);

        SerReader reader;
        ASSERT_TRUE(reader.Open(session.RecordingPath())) << reader.Error();
        ASSERT_EQ(reader.FrameCount(), static_cast<uint32_t>(c.expectedFrames));
        const auto& times = reader.Timestamps();
        for (std::size_t i = 1; i < times.size(); ++i) EXPECT_EQ(times[i] - times[i - 1], c.expectedStep) << i;

        // The recording's report agrees with the file: frames, first start, last end.
        const RecordingSummary summary = StationInside::Processor(*rig.station).Recording();
        EXPECT_EQ(summary.recordedFrames, c.expectedFrames);
        EXPECT_EQ(static_cast<uint64_t>(summary.start.fileTime) + kFileTimeOffset, times.front());
        EXPECT_EQ(static_cast<uint64_t>(summary.end.fileTime) + kFileTimeOffset, times.back() + kFrameTicks);
        EXPECT_EQ(summary.gpsCount, c.expectedFrames);
        EXPECT_FALSE(StationInside::Processor(*rig.station).IsWriterAttached());
    }
}

TEST(RecordingSession, UserStopAndASecondRecordingAfterIt) {
    test::SimulatedStation rig(kFastMode);
    ASSERT_TRUE(rig.ConnectAndStream());
    for (const RecordingFormat format : {RecordingFormat::Ser, RecordingFormat::Adv, RecordingFormat::FitsSequence}) {
        RecordingSession session(*rig.station);
        RecordingSessionOptions options;
        options.format = format;
        ASSERT_TRUE(session.Start(options)) << session.FailureMessage();
        EXPECT_TRUE(rig.cameraDevice->Device().State().recording) << "the camera's recording marker";
        ASSERT_TRUE(rig.WaitForFrames(10));
        session.Stop();
        ASSERT_TRUE(RunToEnd(session));
        EXPECT_EQ(session.Outcome(), RecordingOutcome::StoppedByUser);
        EXPECT_GE(session.FramesWritten(), 9);
        EXPECT_FALSE(rig.cameraDevice->Device().State().recording);
    }
    EXPECT_TRUE(rig.ui.messages.empty());
}

// The name says the exposure the camera runs at, in the time resolution it was sent in,
// not the number that was asked for.
TEST(RecordingSession, FileNamesCarryTheExposureInForce) {
    struct Case {
        int resolution100us;
        double requestedMs;
        const char* nameEnd;
    } cases[] = {
        {0, 33.3, "_0033ms.ser"},  // sent as 33 ms
        {0, 40.0, "_0040ms.ser"},
        {1, 40.0, "_40.0ms.ser"},
        {1, 33.35, "_33.3ms.ser"},  // sent as 333 x 100 us
        {1, 2.3, "_02.3ms.ser"},    // 23 x 100 us, not 22
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nameEnd);
        test::SimulatedStation rig(StationCameraSettings{2, c.requestedMs, 0, 0, 0});
        rig.settings.UseTimeResolution100us = c.resolution100us;
        ASSERT_TRUE(rig.ConnectAndStream());
        RecordingSession session(*rig.station);
        RecordingSessionOptions options;
        options.frameLimit = 2;
        ASSERT_TRUE(session.Start(options)) << session.FailureMessage();
        ASSERT_TRUE(RunToEnd(session));
        const std::string name = std::filesystem::path(session.RecordingPath()).filename().string();
        EXPECT_TRUE(name.ends_with(c.nameEnd)) << name;
    }
}

TEST(RecordingSession, RefusedStartsSayWhy) {
    test::SimulatedStation rig(kFastMode);
    {
        RecordingSession session(*rig.station);
        EXPECT_FALSE(session.Start({})) << "no camera streams";
        EXPECT_TRUE(rig.ui.messages.empty());
    }
    ASSERT_TRUE(rig.ConnectAndStream());
    rig.settings.SerDirectory = rig.dir.File("missing");
    RecordingSession session(*rig.station);
    EXPECT_FALSE(session.Start({}));
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].title, "SER files directory not found");

    rig.settings.SerDirectory = rig.dir.File("ser");
    RecordingSession first(*rig.station);
    ASSERT_TRUE(first.Start({}));
    RecordingSession second(*rig.station);
    EXPECT_FALSE(second.Start({}));
    EXPECT_EQ(rig.ui.messages.back().text, "Already recording, please stop the current recording first.");
}

// A camera that sends nothing more must not keep the file open: after the grace time the
// session takes the writer back and closes the file with every frame it had.
TEST(RecordingSession, CameraThatGoesQuietDoesNotKeepTheFileOpen) {
    test::LogCapture log;
    test::SimulatedStation rig(kFastMode);
    ASSERT_TRUE(rig.ConnectAndStream());
    RecordingSession session(*rig.station);
    ASSERT_TRUE(session.Start({}));
    ASSERT_TRUE(rig.WaitForFrames(20));
    rig.cameraDevice->StallDelivery(10min);
    std::this_thread::sleep_for(50ms);
    const int64_t written = session.FramesWritten();
    session.Stop();
    ASSERT_TRUE(RunToEnd(session));
    EXPECT_EQ(session.Outcome(), RecordingOutcome::StoppedByUser);
    EXPECT_TRUE(log.Contains(
        "W RecordingSession: no frame came after the stop request; the recording was closed without it"));
    SerReader reader;
    ASSERT_TRUE(reader.Open(session.RecordingPath())) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), static_cast<uint32_t>(session.FramesWritten()));
    EXPECT_GE(session.FramesWritten(), written);
    EXPECT_FALSE(StationInside::Processor(*rig.station).IsWriterAttached());
}

// A full disk, as a file size limit in a child process: the recording ends as a write
// failure, and what reached the disk stays readable.
TEST(RecordingSession, FullDiskEndsTheRecordingAndKeepsWhatWasWritten) {
    test::TempDir shared;
    const std::string pathFile = shared.File("recording.ser");
    const int exitCode = test::RunWithFileSizeLimit(200 * 1024, [&] {
        test::SimulatedStation rig(kFastMode);
        if (!rig.ConnectAndStream()) return 10;
        RecordingSession session(*rig.station);
        RecordingSessionOptions options;
        options.frameLimit = 1000;
        if (!session.Start(options)) return 11;
        if (!RunToEnd(session)) return 12;
        // The station's folders go with it; the parent reads a copy.
        std::filesystem::copy_file(session.RecordingPath(), pathFile);
        const bool toldWhy = session.FailureMessage().find("File too large") != std::string::npos;
        return session.Outcome() == RecordingOutcome::WriteFailed && toldWhy ? 0 : 13;
    });
    ASSERT_EQ(exitCode, 0);
    SerReader reader;
    ASSERT_TRUE(reader.Open(pathFile, SerReader::Mode::Recover)) << reader.Error();
    EXPECT_GT(reader.FrameCount(), 0u);
    EXPECT_LT(reader.FrameCount(), 1000u);
}

}  // namespace
}  // namespace orva

namespace orva {
namespace {

// A recording started while an occultation event is next belongs to that event: the ADV
// file carries its title, and the event's day file keeps the recording's times, GPS
// average, camera and equipment.
TEST(RecordingSession, RecordingIsTiedToTheNextEvent) {
    test::SimulatedStation rig(kFastMode);
    ASSERT_TRUE(rig.observers.Add("Jane Doe"));
    ASSERT_TRUE(rig.observers.SelectName("Jane Doe"));
    ASSERT_TRUE(rig.mounts.Add("EQ6"));
    ASSERT_TRUE(rig.mounts.SelectName("EQ6"));
    OwEventManager& events = rig.station->Events();
    ASSERT_TRUE(events.Load());
    OwEvent event;
    event.AsteroidName = "(2) Pallas";
    event.StarName = "TYC 1234-567-1";
    event.EventTime = SystemEventTicksNow() + 3600ull * kEventTicksPerSecond;
    const AddEventResult added = events.AddEvent(event);
    ASSERT_EQ(added.status, AddEventStatus::Added);
    events.UpdateTimeToEvent();
    ASSERT_NE(events.NextEvent(), nullptr);

    ASSERT_TRUE(rig.ConnectAndStream());
    // The simulated camera's clock is years before the event: the observer says yes.
    rig.ui.yesNoReplies.push_back(true);
    RecordingSession session(*rig.station);
    RecordingSessionOptions options;
    options.format = RecordingFormat::Adv;
    options.frameLimit = 20;
    ASSERT_TRUE(session.Start(options)) << session.FailureMessage();
    ASSERT_TRUE(RunToEnd(session));
    ASSERT_EQ(session.Outcome(), RecordingOutcome::FrameLimit);
    ASSERT_EQ(rig.ui.questions.size(), 1u);
    EXPECT_EQ(rig.ui.questions[0].title, "Time mismatch");

    AdvReader reader;
    ASSERT_TRUE(reader.Open(session.RecordingPath())) << reader.Error();
    EXPECT_EQ(AdvReader::TagValue(reader.SystemTags(), "OBJNAME"), std::optional<std::string>("(2) Pallas occ. TYC 1234-567-1"));

    // What a restarted station reads back from the event's day file.
    OwEventManager reloaded(rig.dir.File("data"));
    ASSERT_TRUE(reloaded.Load());
    const auto shown = reloaded.Events();
    ASSERT_EQ(shown.size(), 1u);
    const OwEvent& e = *shown[0];
    // The times of day of the recording's first exposure start and last exposure end.
    AdvFrame first;
    AdvFrame last;
    ASSERT_TRUE(reader.ReadFrame(0, first));
    ASSERT_TRUE(reader.ReadFrame(reader.FrameCount() - 1, last));
    const auto msOfDay = [](uint64_t ns) { return (AdvFormat::TicksOf(ns) + 5000) / 10000 % 86400000; };
    EXPECT_EQ(e.RecordingStartTimestamp_ms, msOfDay(first.start));
    EXPECT_EQ(e.RecordingEndTimestamp_ms, msOfDay(last.end));
    EXPECT_EQ(msOfDay(last.end) - msOfDay(first.start), 100u) << "20 frames of 5 ms";
    EXPECT_EQ(e.RecordingGpsNofAveragedValues, 20u);
    EXPECT_EQ(e.RecordingGpsAvgLatE7, 481234567);
    EXPECT_EQ(e.RecordingObserver, "Jane Doe");
    EXPECT_EQ(e.RecordingMount, "EQ6");
    EXPECT_EQ(e.CameraSensorName, "IMX174");
    EXPECT_EQ(e.CameraWh, "176x128");
    EXPECT_EQ(e.RecordingFormat, "ADV 16-bit");
}

}  // namespace
}  // namespace orva
