// The night's plan from the event store: the windows, the overlaps settled and said,
// and the plan file that lets a restarted station resume without recording twice.
#include "station/NightPlan.h"

#include "events/OwEventTime.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace orva {
namespace {

constexpr uint64_t kSecond = kEventTicksPerSecond;

// 2026-12-11 20:00:00 UTC plus `seconds`.
uint64_t At(int seconds) {
    return EventTicksFromUtc(UtcDateTime{2026, 12, 11, 20, 0, 0, 0}) + static_cast<uint64_t>(seconds) * kSecond;
}

OwEvent Event(const std::string& asteroid, int seconds, double ra = 5.5, double dec = 22.0) {
    OwEvent e;
    e.AsteroidName = asteroid;
    e.StarName = "TYC 1";
    e.EventTime = At(seconds);
    e.StarRaHours = ra;
    e.StarDecDegrees = dec;
    return e;
}

NightPlan Make(const std::vector<OwEvent>& events, NightPlanOptions options) {
    std::vector<const OwEvent*> pointers;
    for (const OwEvent& e : events) pointers.push_back(&e);
    return NightPlan::Make(pointers, options);
}

NightPlanOptions Options(int durationSeconds = 60, int leadSeconds = 180) {
    NightPlanOptions o;
    o.nowTicks = At(0);
    o.durationSeconds = durationSeconds;
    o.leadSeconds = leadSeconds;
    return o;
}

TEST(NightPlan, EventsAheadInTimeOrderWithTheirWindows) {
    const std::vector<OwEvent> events = {Event("(3) Late", 7200, 6.25, -10.5), Event("(1) Past", -100),
                                         Event("(2) Early", 3600), Event("(4) Running", 20)};
    const NightPlan plan = Make(events, Options());
    ASSERT_EQ(plan.Entries().size(), 3u) << "an event whose window has ended is left out";
    EXPECT_EQ(plan.Entries()[0].title, "(4) Running occ. TYC 1") << "a window under way is kept";
    EXPECT_EQ(plan.Entries()[1].title, "(2) Early occ. TYC 1");
    const NightPlanEntry& late = plan.Entries()[2];
    EXPECT_EQ(late.startTicks, At(7200 - 30));
    EXPECT_EQ(late.endTicks, At(7200 + 30));
    EXPECT_EQ(late.pointTicks, At(7200 - 30 - 180));
    EXPECT_DOUBLE_EQ(late.raHours, 6.25);
    EXPECT_DOUBLE_EQ(late.decDegrees, -10.5);
    EXPECT_TRUE(late.point);
    EXPECT_TRUE(plan.Conflicts().empty());

    NightPlanOptions fixed = Options();
    fixed.point = false;
    const NightPlan still = Make(events, fixed);
    EXPECT_FALSE(still.Entries()[2].point);
    EXPECT_EQ(still.Entries()[2].pointTicks, still.Entries()[2].startTicks) << "nothing to point: no lead time";
}

TEST(NightPlan, OverlapsAreSettledAndSaid) {
    struct Case {
        const char* name;
        int secondEventAt;  // the first event is at 1000 s, its recording 970..1030 s
        NightEntryState state;
        int pointAt;
        int startAt;
        std::string conflict;
    };
    const Case cases[] = {
        {"apart", 1300, NightEntryState::Pending, 1300 - 30 - 180, 1300 - 30, ""},
        {"lead time only", 1100, NightEntryState::Pending, 1030, 1070,
         "(2) B occ. TYC 1 overlaps (1) A occ. TYC 1 (recording until 20:17:10 UTC): pointing starts at 20:17:10 UTC, "
         "40 s before its recording"},
        {"recordings overlap", 1040, NightEntryState::Pending, 1030, 1030,
         "(2) B occ. TYC 1 overlaps (1) A occ. TYC 1 (recording until 20:17:10 UTC): recording starts at 20:17:10 UTC "
         "instead of 20:16:50 UTC"},
        {"less than half left", 1020, NightEntryState::Skipped, 1020 - 30 - 180, 1020 - 30,
         "(2) B occ. TYC 1 overlaps (1) A occ. TYC 1 (recording until 20:17:10 UTC): skipped, less than half its "
         "window remains"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const NightPlan plan = Make({Event("(2) B", c.secondEventAt), Event("(1) A", 1000)}, Options());
        ASSERT_EQ(plan.Entries().size(), 2u);
        const NightPlanEntry& first = plan.Entries()[0];
        EXPECT_EQ(first.startTicks, At(970)) << "the earlier event keeps its whole window";
        EXPECT_EQ(first.endTicks, At(1030));
        const NightPlanEntry& second = plan.Entries()[1];
        EXPECT_EQ(second.state, c.state);
        EXPECT_EQ(second.pointTicks, At(c.pointAt));
        EXPECT_EQ(second.startTicks, At(c.startAt));
        EXPECT_EQ(plan.Conflicts(), c.conflict.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.conflict});
    }
    // A skipped entry holds nothing up: the one after it is measured against the last kept.
    const NightPlan plan = Make({Event("(1) A", 1000), Event("(2) B", 1020), Event("(3) C", 1300)}, Options());
    EXPECT_EQ(plan.Conflicts().size(), 1u);
    EXPECT_EQ(plan.Entries()[2].state, NightEntryState::Pending);
}

TEST(NightPlan, TheSavedPlanResumesWithoutRecordingTwice) {
    test::TempDir dir;
    const std::string path = dir.File("data/night-plan.ini");
    const std::vector<OwEvent> events = {Event("(1) A", 600), Event("(2) B", 1200), Event("(3) C", 1800)};
    NightPlan plan = Make(events, Options());
    plan.Entries()[0].state = NightEntryState::Done;
    plan.Entries()[0].pointing = "centred, 0.4' off";
    plan.Entries()[0].file = "/data/adv/a.adv";
    plan.Entries()[0].frames = 2400;
    plan.Entries()[0].missed = 1;
    plan.Entries()[1].state = NightEntryState::Recording;
    plan.Entries()[1].outcome = "camera unplugged = recovered";  // an '=' and words survive
    std::string error;
    ASSERT_TRUE(plan.Save(path, error)) << error;

    const auto saved = NightPlan::Load(path, error);
    ASSERT_TRUE(saved.has_value()) << error;
    ASSERT_EQ(saved->Entries().size(), 3u);
    EXPECT_EQ(saved->ToText(), plan.ToText());

    // Started again during entry 2's window: entry 1 stays done, entry 2 was cut short.
    NightPlan fresh = Make(events, Options());
    fresh.ResumeFrom(*saved);
    EXPECT_EQ(fresh.Entries()[0].state, NightEntryState::Done);
    EXPECT_EQ(fresh.Entries()[0].file, "/data/adv/a.adv");
    EXPECT_EQ(fresh.Entries()[0].frames, 2400);
    EXPECT_EQ(fresh.Entries()[1].state, NightEntryState::Interrupted);
    EXPECT_EQ(fresh.NextEntry(At(1180)), 1u) << "an interrupted entry whose window still runs is taken up again";
    EXPECT_EQ(fresh.NextEntry(At(1240)), 2u) << "one whose window has ended is not";
    EXPECT_EQ(fresh.NextEntry(At(1900)), std::nullopt) << "the night is over";
}

TEST(NightPlan, AFileThatIsNoPlanIsRefusedWithTheReason) {
    test::TempDir dir;
    std::string error;
    EXPECT_FALSE(NightPlan::Load(dir.File("none.ini"), error).has_value());
    EXPECT_TRUE(error.empty()) << "no plan yet is not an error";

    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"[Other]\nEntries=1\n", "it has no [NightPlan] section with the number of entries"},
        {"[NightPlan]\nEntries=1\n[Entry1]\nEventTicks=5\n", "entry 1 is incomplete"},
        {"[NightPlan]\nEntries=1\n[Entry1]\nEventTicks=5\nPointTicks=1\nStartTicks=9\nEndTicks=3\nRaHours=1\n"
         "DecDegrees=2\nState=done\n",
         "entry 1 is incomplete"},
        {"[NightPlan]\nEntries=1\n[Entry1]\nEventTicks=5\nPointTicks=1\nStartTicks=2\nEndTicks=3\nRaHours=1\n"
         "DecDegrees=2\nState=dreaming\n",
         "entry 1 is incomplete"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File("bad.ini");
        std::ofstream(path) << c.text;
        EXPECT_FALSE(NightPlan::Load(path, error).has_value()) << c.text;
        EXPECT_EQ(error, path + ": " + c.reason);
    }
}

}  // namespace
}  // namespace orva
