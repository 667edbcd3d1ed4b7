// orvacam-cli guide against the real INDI telescope simulator and the simulated camera,
// whose sky follows the mount: the star is picked, guiding runs for its seconds and says
// what it sends; every failure is one line.

#include "CliStationRun.h"

#include "support/IndiServerProcess.h"

#include <cstdio>
#include <set>

namespace orva {
namespace {

// Orion's belt region, which the simulated camera's star list covers; and a sky without
// a star of the list.
constexpr const char* kStarsRa = "05:35:17.3";
constexpr const char* kStarsDec = "-05:23:28";
constexpr const char* kEmptyRa = "12:00:00";
constexpr const char* kEmptyDec = "+60:00:00";

class CliGuideRun : public CliStationRun {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start());
        indi = "127.0.0.1:" + std::to_string(server.Port());
    }

    // Tells the mount it points there (no slew needed: the camera draws where it points).
    void PointAt(const char* ra, const char* dec) {
        const Outcome sync = Run({"mount", "sync", ra, dec, "--indi", indi});
        ASSERT_EQ(sync.code, 0) << sync.err;
    }
    Outcome Guide(std::vector<std::string> args) {
        args.insert(args.begin(), "guide");
        args.insert(args.end(), {"--indi", indi, "--sim-utc", kSimUtc});
        return Run(args);
    }
    // The lines of standard error that are ours (the INDI library announces its connections).
    static std::vector<std::string> OurErrors(const Outcome& run) {
        return LinesStartingWith(Lines(run.err), "orvacam-cli guide");
    }

    test::IndiServerProcess server;
    std::string indi;
};

TEST_F(CliGuideRun, GuidesOnTheBrightestStarAndSaysWhatItSends) {
    PointAt(kStarsRa, kStarsDec);
    const Outcome run = Guide({"--seconds", "3", "--radius", "24"});
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.code, 0) << run.err << run.out;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_GE(lines.size(), 2u) << run.out;
    int x = -1, y = -1, end = 0;
    EXPECT_EQ(std::sscanf(lines.front().c_str(), "guiding on the star at %d / %d, box 48 x 48, for 3 s%n", &x, &y, &end), 2)
        << lines.front();
    EXPECT_EQ(static_cast<std::size_t>(end), lines.front().size()) << lines.front();
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    const std::set<std::string> corrections = {"correction: RA east 400 ms", "correction: RA west 400 ms",
                                               "correction: DEC north 400 ms", "correction: DEC south 400 ms"};
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_TRUE(corrections.count(lines[i]) == 1) << lines[i];
    EXPECT_EQ(lines.back(), "guided after " + std::to_string(lines.size() - 2) + " corrections");
    // The station looked at the star once a second.
    const auto log = LogMessages();
    EXPECT_FALSE(LinesStartingWith(log, "I Guiding offsets (x/y *1000) ").empty());
    EXPECT_FALSE(HasLine(log, "W Guiding offsets too large, aborting."));
}

TEST_F(CliGuideRun, NoStarOrNoServerGivesOneLineAndFailure) {
    PointAt(kEmptyRa, kEmptyDec);
    const Outcome empty = Guide({"--seconds", "3"});
    EXPECT_TRUE(empty.exited);
    EXPECT_EQ(empty.code, 1);
    EXPECT_EQ(OurErrors(empty),
              std::vector<std::string>{"orvacam-cli guide: no star found in the picture (a star's box of 64 x 64 "
                                       "pixels must fit the picture)"})
        << empty.err;
    EXPECT_TRUE(LinesStartingWith(empty.OutLines(), "guiding on").empty());

    const std::string gone = indi;
    server.Kill();
    const Outcome run = Guide({"--seconds", "3"});
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(OurErrors(run), std::vector<std::string>{"orvacam-cli guide: cannot reach the INDI server at " + gone})
        << run.err;
}

// Wrong input says what is wrong in one line before anything reaches the camera or mount.
TEST_F(CliGuideRun, BadInputGivesOneLineAndTheUsageCode) {
    const struct {
        std::vector<std::string> args;
        const char* line;
    } cases[] = {
        {{"guide"}, "orvacam-cli guide: option '--seconds' is required"},
        {{"guide", "--seconds", "0"}, "orvacam-cli guide: --seconds takes whole seconds, 1..86400"},
        {{"guide", "--seconds", "2s"}, "orvacam-cli guide: --seconds takes whole seconds, 1..86400"},
        {{"guide", "--seconds", "2", "--radius", "3"}, "orvacam-cli guide: --radius takes whole pixels, 4..256"},
        {{"guide", "--seconds", "2", "--indi", "host:port"},
         "orvacam-cli guide: --indi takes HOST:PORT, not 'host:port'"},
        {{"guide", "--seconds", "2", "--sim-utc", "yesterday"},
         "orvacam-cli guide: --sim-utc must be a UTC time from 1980 to 2199 such as 2024-06-01T22:00:00 or "
         "2024-06-01T22:00:00.5Z"},
    };
    for (const auto& c : cases) {
        const Outcome run = Run(c.args);
        EXPECT_EQ(run.code, 2) << c.line;
        EXPECT_EQ(Lines(run.err), std::vector<std::string>{c.line});
    }
    const Outcome help = Run({"guide", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.OutLines().front(), std::string("usage: orvacam-cli guide --seconds S [--indi HOST:PORT] [--radius PX] "
                                                   "[--camera CAMERA] [--sim-utc UTC]"));
}

}  // namespace
}  // namespace orva
