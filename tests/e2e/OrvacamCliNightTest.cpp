// The unattended night from the command line, on the simulated camera and the real clock:
// the plan printed (and only printed by a dry run), then two events a few seconds apart
// run by themselves as a fixed station, recorded with their titles, and the plan file's
// account read back.
#include "CliStationRun.h"

#include "recording/AdvReader.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

TEST_F(CliStationRun, TheNightPlanIsPrintedAndADryRunTouchesNothing) {
    WriteSettings("LogDirectory=" + dir.File("log") +
                  "\nRecordingWithOptionsDefaultDurationSec=60\nNightPlanLeadTimeSec=180\n");
    const std::string file = dir.File("occult.xml");
    test::WriteFile(file, OccultFile(OccultEvent(UtcInSeconds(3 * 3600 + 60), "Vesta", "HIP 7") +
                                     OccultEvent(UtcInSeconds(3 * 3600), "Pallas", "HIP 42")));
    ASSERT_EQ(Run({"events", "import", file}).code, 0);

    const Outcome plan = Run({"night", "plan"});
    ASSERT_EQ(plan.code, 0) << plan.err;
    EXPECT_TRUE(HasLine(plan.OutLines(), "plan: 2 entries, format adv")) << plan.out;
    const auto first = LinesStartingWith(plan.OutLines(), "1  ");
    ASSERT_EQ(first.size(), 1u) << plan.out;
    EXPECT_NE(first[0].find("(2) Pallas occ. HIP 42  pending"), std::string::npos) << first[0];
    EXPECT_NE(first[0].find(" UTC  point "), std::string::npos) << first[0];
    const auto conflicts = LinesStartingWith(plan.OutLines(), "conflict: (2) Vesta occ. HIP 7 overlaps (2) Pallas");
    EXPECT_EQ(conflicts.size(), 1u) << "Vesta's pointing would begin during Pallas' recording: " << plan.out;

    const Outcome dry = Run({"night", "run", "--dry-run"});
    ASSERT_EQ(dry.code, 0) << dry.err;
    EXPECT_EQ(dry.out, plan.out) << "a dry run only prints the plan";
    const Outcome status = Run({"night", "status"});
    EXPECT_EQ(status.code, 1);
    EXPECT_NE(status.err.find("no night plan in "), std::string::npos) << "a dry run leaves no plan file: " << status.err;
    EXPECT_EQ(Run({"night", "run"}).code, 2) << "pointing from the plan needs a mount: --no-goto for now";
}

TEST_F(CliStationRun, AFixedStationRecordsTheNightByItself) {
    WriteSettings("LogDirectory=" + dir.File("log") + "\nRecordingWithOptionsDefaultDurationSec=4\n");
    const std::string file = dir.File("occult.xml");
    std::tm pallas = UtcInSeconds(16);
    test::WriteFile(file, OccultFile(OccultEvent(UtcInSeconds(24), "Vesta", "HIP 7") +
                                     OccultEvent(pallas, "Pallas", "HIP 42")));
    ASSERT_EQ(Run({"events", "import", file}).code, 0);
    const Outcome run = Run({"night", "run", "--no-goto", "--camera", "sim", "--mode", "2", "--exposure", "40",
                             "--out", dir.File("night")});
    ASSERT_EQ(run.code, 0) << run.err << run.out;
    const auto done = LinesStartingWith(run.OutLines(), "1  done ");
    ASSERT_EQ(done.size(), 1u) << run.out;
    ASSERT_EQ(LinesStartingWith(run.OutLines(), "2  done ").size(), 1u) << run.out;

    const Outcome status = Run({"night", "status"});
    ASSERT_EQ(status.code, 0) << status.err;
    const auto accounts = LinesStartingWith(status.OutLines(), "1  done ");
    ASSERT_EQ(accounts, done) << "the plan file says what the run said";
    // "1  done         frames 100  missed 0  /.../x.adv  (2) Pallas occ. HIP 42"
    const std::size_t pathStart = accounts[0].find("  /") + 2;
    const std::string path = accounts[0].substr(pathStart, accounts[0].find(".adv") + 4 - pathStart);
    long long frames = 0;
    long long missed = 0;
    ASSERT_EQ(std::sscanf(accounts[0].c_str(), "1  done         frames %lld  missed %lld", &frames, &missed), 2)
        << accounts[0];
    // Four seconds of 40 ms frames; a frame a loaded machine dropped is counted as missed.
    EXPECT_EQ(frames + missed, 100) << accounts[0];
    AdvReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), static_cast<uint32_t>(frames)) << accounts[0];
    // The window is kept in frame time: the first frame exposes within one frame time
    // after event time - 2 s, whatever the PC's clock did.
    AdvFrame first;
    ASSERT_TRUE(reader.ReadFrame(0, first)) << reader.Error();
    const uint64_t windowStart =
        (static_cast<uint64_t>(timegm(&pallas)) - 2 - 1262304000ULL) * 1000000000ULL;  // ns since 2010
    EXPECT_GE(first.start, windowStart);
    EXPECT_LT(first.start, windowStart + 40000000ULL);
    EXPECT_EQ(AdvReader::TagValue(reader.SystemTags(), "OBJNAME"), std::optional<std::string>("(2) Pallas occ. HIP 42"));

    const Outcome again = Run({"night", "run", "--no-goto", "--camera", "sim", "--mode", "2", "--exposure", "40"});
    EXPECT_EQ(again.code, 1) << "nothing is left ahead: " << again.out;
}

}  // namespace
}  // namespace orva
