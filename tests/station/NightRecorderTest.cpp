// A night plan entry recorded through the station's own recording path, on the
// simulated camera: exactly the frames whose exposures start inside the window (frame
// time, the camera's GPS clock), the event's title in the file.
#include "station/NightRecorder.h"

#include "recording/AdvReader.h"
#include "SimulatedStation.h"
#include "events/OwEventTime.h"
#include "station/NightPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace orva {
namespace {

constexpr StationCameraSettings kFastMode{2, 10.0, 0, 0, 0};  // 176 x 128, 10 ms

TEST(NightRecorder, RecordsTheWindowWithTheEventsTitle) {
    test::SimulatedStation rig(kFastMode);
    ASSERT_TRUE(rig.ConnectAndStream());
    NightRecorder recorder(*rig.station);
    NightPlanEntry entry;
    entry.title = "(9) Night occ. TYC 9";
    // Half a second that begins a second after the simulated camera's first frame
    // (2024-06-01 22:00:00 UTC by its GPS clock).
    entry.startTicks = EventTicksFromUtc(UtcDateTime{2024, 6, 1, 22, 0, 1, 0});
    entry.endTicks = entry.startTicks + kEventTicksPerSecond / 2;
    std::string error;
    ASSERT_TRUE(recorder.Start(entry, "adv", error)) << error;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (recorder.Step()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the recording never ended";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const NightRecordingResult r = recorder.Result();
    EXPECT_EQ(r.outcome, RecordingOutcome::DurationReached);
    EXPECT_TRUE(r.failure.empty()) << r.failure;
    // Half a second of 10 ms frames in frame time; a loaded machine may drop some, never add.
    EXPECT_GT(r.frames, 0);
    EXPECT_LE(r.frames, 50);
    AdvReader reader;
    ASSERT_TRUE(reader.Open(r.file)) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), static_cast<uint32_t>(r.frames));
    const uint64_t windowStart = AdvFormat::TimeStampOf(entry.startTicks);
    const uint64_t windowEnd = AdvFormat::TimeStampOf(entry.endTicks);
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
        AdvFrame frame;
        ASSERT_TRUE(reader.ReadFrame(i, frame)) << reader.Error();
        EXPECT_GE(frame.start, windowStart) << i;
        EXPECT_LT(frame.start, windowEnd) << i;
    }
    const auto& tags = reader.SystemTags();
    const auto object = std::find_if(tags.begin(), tags.end(), [](const AdvTag& t) { return t.name == "OBJNAME"; });
    ASSERT_NE(object, tags.end());
    EXPECT_EQ(object->value, entry.title);
}

TEST(NightRecorder, RefusesWhatItCannotRecordAndSaysWhy) {
    test::SimulatedStation rig(kFastMode);
    NightRecorder recorder(*rig.station);
    std::string error;
    EXPECT_FALSE(recorder.Start({}, "adv", error));
    EXPECT_EQ(error, "the camera does not stream");
    EXPECT_FALSE(recorder.Start({}, "avi", error));
    EXPECT_EQ(error, "the plan's format 'avi' is not one of ser, adv, adv-compressed, fits-seq");
    EXPECT_FALSE(recorder.Step());
    EXPECT_EQ(recorder.Result().frames, 0);
}

}  // namespace
}  // namespace orva
