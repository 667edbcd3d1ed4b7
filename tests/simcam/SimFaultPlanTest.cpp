// Faults and an occultation planned at counted frames: the texts that name them, and each
// landing on exactly its frame, counted from the restart point with dropped frames.
#include "SimCameraFixture.h"
#include "SimFrameReading.h"
#include "simcam/SimFaultPlan.h"

#include <gtest/gtest.h>

#include <map>

namespace orva {
namespace {

using test::CheckLaneValid;
using test::RecordBigEndian;
using test::SimCameraFixture;
using test::UnpackFrame;

TEST(SimFaultPlan, ParsesEveryFaultAndTheOccultation) {
    struct Case {
        const char* text;
        SimFault::Kind kind;
        int64_t frame;
        int64_t value;
    };
    const Case cases[] = {
        {"drop:5:3", SimFault::Kind::Drop, 5, 3},          {"repeat:7", SimFault::Kind::Repeat, 7, 0},
        {"freeze-irq:1", SimFault::Kind::FreezeIrq, 1, 0},  {"corrupt:1000000000", SimFault::Kind::Corrupt, 1000000000, 0},
        {"stall:9:0", SimFault::Kind::Stall, 9, 0},         {"unplug:2:3600000", SimFault::Kind::Unplug, 2, 3600000},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto fault = SimFaultPlan::Parse(c.text, error);
        ASSERT_TRUE(fault) << c.text << ": " << error;
        EXPECT_EQ(fault->kind, c.kind) << c.text;
        EXPECT_EQ(fault->frame, c.frame) << c.text;
        EXPECT_EQ(fault->value, c.value) << c.text;
    }
    std::string error;
    const auto occultation = SimFaultPlan::ParseOccultation("120:25", error);
    ASSERT_TRUE(occultation) << error;
    EXPECT_EQ(occultation->frame, 120);
    EXPECT_EQ(occultation->count, 25);
}

TEST(SimFaultPlan, MalformedTextsSayWhatIsWrong) {
    const std::map<std::string, std::string> faults = {
        {"drop:5", "fault 'drop:5' has the form drop:FRAME:COUNT"},
        {"repeat:5:1", "fault 'repeat:5:1' has the form repeat:FRAME"},
        {"corrupt:0", "fault 'corrupt:0': FRAME must be a whole number from 1"},
        {"freeze-irq:x", "fault 'freeze-irq:x': FRAME must be a whole number from 1"},
        {"drop:5:0", "fault 'drop:5:0': COUNT must be a whole number from 1"},
        {"stall:5:-1", "fault 'stall:5:-1': MS must be a whole number of milliseconds up to 3600000"},
        {"unplug:5:3600001", "fault 'unplug:5:3600001': MS must be a whole number of milliseconds up to 3600000"},
        {"melt:5", "unknown fault 'melt:5' (drop, repeat, freeze-irq, corrupt, stall or unplug)"},
        {"", "unknown fault '' (drop, repeat, freeze-irq, corrupt, stall or unplug)"},
    };
    for (const auto& [text, expected] : faults) {
        std::string error;
        EXPECT_FALSE(SimFaultPlan::Parse(text, error)) << text;
        EXPECT_EQ(error, expected);
    }
    const std::map<std::string, std::string> occultations = {
        {"120", "occultation '120' has the form FRAME:COUNT"},
        {"1:2:3", "occultation '1:2:3' has the form FRAME:COUNT"},
        {"0:5", "occultation '0:5': FRAME must be a whole number from 1"},
        {"5:0", "occultation '5:0': COUNT must be a whole number from 1"},
    };
    for (const auto& [text, expected] : occultations) {
        std::string error;
        EXPECT_FALSE(SimFaultPlan::ParseOccultation(text, error)) << text;
        EXPECT_EQ(error, expected);
    }
}

SimFaultPlan PlanOf(const std::vector<std::string>& faultTexts, const std::string& occultationText) {
    SimFaultPlan plan;
    std::string error;
    for (const std::string& text : faultTexts) plan.faults.push_back(*SimFaultPlan::Parse(text, error));
    plan.occultation = SimFaultPlan::ParseOccultation(occultationText, error);
    return plan;
}

struct Made {
    SimFrameTruth truth;
    std::vector<uint16_t> lastRow;
    double targetSignal = 0;  // target box minus a box of sky beside it
    Clock::TimePoint at;
};

double BoxSum(const std::vector<uint16_t>& pixels, int width, double cx, double cy, int radius) {
    double sum = 0;
    for (int y = static_cast<int>(cy) - radius; y <= static_cast<int>(cy) + radius; ++y) {
        for (int x = static_cast<int>(cx) - radius; x <= static_cast<int>(cx) + radius; ++x) {
            sum += pixels[static_cast<std::size_t>(y) * width + x] >> 4;
        }
    }
    return sum;
}

// The camera runs ahead: it makes frames before the plan's restart point, and every frame
// is made on its own schedule; each fault must still land on its counted frame.
TEST(SimFaultPlan, EachPlannedFaultLandsOnExactlyItsFrame) {
    SimCameraConfig config;
    config.pacing = SimPacing::RealTime;
    SimCameraFixture f(config);
    f.camera->SelectMode(3);  // 960 x 600, binned
    f.unit->SetExposureTimeMs(40, false);
    f.unit->SetClipOnOverflow();
    const auto period = std::chrono::nanoseconds(f.camera->FramePeriodNs());
    f.camera->StartPacing();

    const auto make = [&] {
        Made made;
        std::vector<uint8_t> bytes;
        const int32_t result = f.camera->WaitForNextFrame(bytes, &made.truth);
        made.at = f.clock.Now();
        if (result != 0) {
            made.truth.planFrame = -1;  // nothing made: the camera is off the bus
            return made;
        }
        const SimVideoMode& mode = made.truth.mode;
        const auto pixels = UnpackFrame(bytes, mode.width, mode.height, mode.IsPacked());
        made.lastRow.assign(pixels.end() - mode.width, pixels.end());
        EXPECT_GE(made.truth.targetX, 0.0) << "the sky keeps its ground truth";
        made.targetSignal = BoxSum(pixels, mode.width, made.truth.targetX, made.truth.targetY, 4) -
                            BoxSum(pixels, mode.width, made.truth.targetX + 40, made.truth.targetY, 4);
        return made;
    };
    for (int i = 0; i < 4; ++i) EXPECT_EQ(make().truth.planFrame, 0) << "no plan started yet";

    f.camera->Faults().SetPlan(PlanOf({"corrupt:9", "drop:2:3", "repeat:6", "freeze-irq:7", "stall:11:500",
                                       "unplug:13:2000", "repeat:3", "drop:16:1"},
                                      "14:3"));
    f.camera->RestartFaultPlan();

    std::vector<Made> frames;
    for (int i = 0; i < 14; ++i) {
        Made made = make();
        if (made.truth.planFrame < 0) {
            // Off the bus from frame 13 on: back after the planned 2 s.
            EXPECT_EQ(frames.back().truth.planFrame, 12);
            EXPECT_FALSE(f.camera->IsPresent());
            f.clock.Advance(frames.back().at + std::chrono::milliseconds(1999) - f.clock.Now());
            EXPECT_FALSE(f.camera->IsPresent());
            f.clock.Advance(std::chrono::milliseconds(1));
            EXPECT_TRUE(f.camera->IsPresent());
            f.camera->StartPacing();
            continue;
        }
        frames.push_back(std::move(made));
    }
    std::map<int64_t, const Made*> byPlan;
    std::vector<int64_t> planFrames;
    for (const Made& m : frames) {
        byPlan[m.truth.planFrame] = &m;
        planFrames.push_back(m.truth.planFrame);
    }
    // Frames 2 to 4 and 16 are dropped; repeat:3 falls on a dropped frame and does not happen.
    ASSERT_EQ(planFrames, (std::vector<int64_t>{1, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17}));
    const auto& first = byPlan.at(1)->truth;
    EXPECT_EQ(byPlan.at(5)->truth.droppedBefore, 3);
    EXPECT_EQ(byPlan.at(5)->truth.frameNumber, first.frameNumber + 4);
    EXPECT_EQ(byPlan.at(5)->truth.fromUnixNs - first.fromUnixNs, 4 * period.count());
    EXPECT_EQ(byPlan.at(17)->truth.droppedBefore, 1);

    for (const Made& m : frames) {
        const int64_t n = m.truth.planFrame;
        SCOPED_TRACE("plan frame " + std::to_string(n));
        // What the delivered record says.
        EXPECT_EQ(RecordBigEndian(m.lastRow, 36, 4), static_cast<uint32_t>(m.truth.frameNumber));
        EXPECT_EQ(RecordBigEndian(m.lastRow, 46, 1), m.truth.commIrqCtr);
        EXPECT_EQ(m.truth.checkLaneCorrupted, n == 9);
        EXPECT_EQ(CheckLaneValid(m.lastRow), n != 9);
        EXPECT_EQ(m.truth.targetOcculted, n >= 14 && n < 17);
        // The camera comes back from the unplugging with its power-on settings. (The box
        // sums' noise is about 200 counts, the star's signal about 3400.)
        const double unocculted = (n < 13 ? *byPlan.at(1) : *byPlan.at(13)).targetSignal;
        if (n >= 14 && n < 17) {
            EXPECT_LT(m.targetSignal, 0.25 * unocculted);
        } else {
            EXPECT_GT(m.targetSignal, 0.7 * unocculted);
        }
        if (n == 1 || n == 13) continue;
        const Made& before = *(&m - 1);
        EXPECT_EQ(m.truth.frameNumber == before.truth.frameNumber, n == 6) << "repeated frame number";
        EXPECT_EQ(m.truth.commIrqCtr == before.truth.commIrqCtr, n == 7) << "frozen counter";
        EXPECT_EQ(m.truth.frameStartIrqCtr == before.truth.frameStartIrqCtr, n == 7) << "frozen counter";
        EXPECT_EQ(m.at - before.at, n == 11 ? period + std::chrono::milliseconds(500) : period) << "stall";
    }
    // Back from the unplugging: the camera restarted its frame numbers; the count goes on.
    EXPECT_EQ(byPlan.at(13)->truth.frameNumber, config.firstFrameNumber);
}

TEST(SimFaultPlan, RestartCountsFromOneAgainAndFaultsOfFrameOneHappenAtOnce) {
    SimCameraConfig config;
    config.pacing = SimPacing::AsFastAsRequested;
    SimCameraFixture f(config);
    f.camera->SelectMode(2);
    f.camera->Faults().SetPlan(PlanOf({"drop:1:2", "corrupt:3", "stall:4:250"}, "4:1"));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        f.camera->RestartFaultPlan();
        std::vector<uint8_t> bytes;
        SimFrameTruth truth;
        ASSERT_EQ(f.camera->WaitForNextFrame(bytes, &truth), 0);
        EXPECT_EQ(truth.planFrame, 3);
        EXPECT_EQ(truth.droppedBefore, 2);
        EXPECT_TRUE(truth.checkLaneCorrupted);
        const auto before = f.clock.Now();
        ASSERT_EQ(f.camera->WaitForNextFrame(bytes, &truth), 0);
        EXPECT_EQ(truth.planFrame, 4);
        EXPECT_TRUE(truth.targetOcculted);
        EXPECT_EQ(f.clock.Now() - before, std::chrono::milliseconds(250));
        ASSERT_EQ(f.camera->WaitForNextFrame(bytes, &truth), 0);
        EXPECT_EQ(truth.planFrame, 5);
        EXPECT_FALSE(truth.targetOcculted);
    }
}

}  // namespace
}  // namespace orva
