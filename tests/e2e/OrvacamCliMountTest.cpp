// orvacam-cli mount against the real INDI telescope simulator, as a user or a script
// drives the mount without the window.

#include "CliStationRun.h"

#include "support/IndiServerProcess.h"

#include <cmath>
#include <cstdio>

namespace orva {
namespace {

class CliMountRun : public CliStationRun {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start());
        indi = "127.0.0.1:" + std::to_string(server.Port());
    }

    Outcome Mount(std::vector<std::string> args) {
        args.insert(args.begin(), "mount");
        args.insert(args.end(), {"--indi", indi});
        return Run(args);
    }

    static bool PositionOf(const Outcome& run, const std::string& label, double& raHours, double& decDegrees) {
        return orva::PositionOf(run.OutLines(), label, raHours, decDegrees);
    }
    static double ArcsecApart(double raA, double decA, double raB, double decB) {
        const double ra = std::fabs(raA - raB) * 15.0 * 3600.0 * std::cos(decA * M_PI / 180.0);
        return std::hypot(ra, std::fabs(decA - decB) * 3600.0);
    }
    // The lines of standard error that are ours (the INDI library announces its connections).
    static std::vector<std::string> OurErrors(const Outcome& run) {
        return LinesStartingWith(Lines(run.err), "orvacam-cli mount");
    }

    test::IndiServerProcess server;
    std::string indi;
};

// The slew waits for the arrival and prints where the mount stopped: the position the
// simulator itself reports, at the target.
TEST_F(CliMountRun, SlewArrivesAndPrintsTheMountsOwnPosition) {
    const Outcome slew = Mount({"slew", "05:35:17.3", "-05:23:28", "--timeout", "100"});
    ASSERT_TRUE(slew.exited);
    ASSERT_EQ(slew.code, 0) << slew.err;
    double ra = 0.0, dec = 0.0;
    ASSERT_TRUE(PositionOf(slew, "arrived", ra, dec)) << slew.out;
    const double targetRa = 5.0 + 35.0 / 60.0 + 17.3 / 3600.0;
    const double targetDec = -(5.0 + 23.0 / 60.0 + 28.0 / 3600.0);
    EXPECT_LT(ArcsecApart(ra, dec, targetRa, targetDec), 60.0) << slew.out;

    const Outcome status = Mount({"status"});
    ASSERT_EQ(status.code, 0) << status.err;
    EXPECT_TRUE(HasLine(status.OutLines(), "connected: yes")) << status.out;
    EXPECT_TRUE(HasLine(status.OutLines(), "tracking: yes")) << status.out;
    double reportedRa = 0.0, reportedDec = 0.0;
    ASSERT_TRUE(PositionOf(status, "position", reportedRa, reportedDec)) << status.out;
    EXPECT_LT(ArcsecApart(ra, dec, reportedRa, reportedDec), 1.0) << slew.out << status.out;

    // Decimal coordinates, and a sync the mount then reports.
    const Outcome sync = Mount({"sync", "6.5", "+10.25"});
    ASSERT_EQ(sync.code, 0) << sync.err;
    ASSERT_TRUE(PositionOf(sync, "synced", ra, dec)) << sync.out;
    EXPECT_LT(ArcsecApart(ra, dec, 6.5, 10.25), 5.0) << sync.out;
}

TEST_F(CliMountRun, ParkedMountRefusesToSlewUntilUnparked) {
    const Outcome park = Mount({"park", "--timeout", "100"});
    ASSERT_EQ(park.code, 0) << park.err;
    EXPECT_TRUE(HasLine(park.OutLines(), "parked"));
    const Outcome refused = Mount({"slew", "1", "1"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(OurErrors(refused),
              std::vector<std::string>{"orvacam-cli mount: the mount is parked; unpark it first (orvacam-cli mount unpark)"});
    const Outcome unpark = Mount({"unpark"});
    ASSERT_EQ(unpark.code, 0) << unpark.err;
    EXPECT_TRUE(HasLine(unpark.OutLines(), "unparked"));
}

// Wrong input says what is wrong in one line before anything reaches the mount.
TEST_F(CliMountRun, BadInputGivesOneLineAndTheUsageCode) {
    const struct {
        std::vector<std::string> args;
        const char* line;
    } cases[] = {
        {{"slew", "24:00:00", "0"}, "orvacam-cli mount: RA '24:00:00' is not hh:mm:ss or decimal hours below 24"},
        {{"slew", "1:2", "0"}, "orvacam-cli mount: RA '1:2' is not hh:mm:ss or decimal hours below 24"},
        {{"slew", "-1", "0"}, "orvacam-cli mount: RA '-1' is not hh:mm:ss or decimal hours below 24"},
        {{"sync", "1", "+90:00:01"},
         "orvacam-cli mount: DEC '+90:00:01' is not +dd:mm:ss or decimal degrees within -90..+90"},
        {{"sync", "1", "10:61:00"},
         "orvacam-cli mount: DEC '10:61:00' is not +dd:mm:ss or decimal degrees within -90..+90"},
        {{"slew", "1"},
         "orvacam-cli mount: slew takes RA (hours, hh:mm:ss or decimal) and DEC (degrees, +dd:mm:ss or decimal)"},
        {{"slew", "1", "2", "--object", "M 42"}, "orvacam-cli mount: slew takes RA and DEC or --object NAME, not both"},
        {{"park", "1", "2"}, "orvacam-cli mount: park takes no coordinates"},
        {{"point"}, "orvacam-cli mount: unknown action 'point' (status, connect, slew, sync, park, unpark or abort)"},
        {{"status", "--timeout", "0"}, "orvacam-cli mount: --timeout takes whole seconds, 1..3600"},
    };
    for (const auto& c : cases) {
        const Outcome run = Mount(c.args);
        EXPECT_EQ(run.code, 2) << c.line;
        EXPECT_EQ(Lines(run.err), std::vector<std::string>{c.line});
    }
    std::vector<std::string> badServer{"mount", "status", "--indi", "host:port"};
    const Outcome run = Run(badServer);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(Lines(run.err), std::vector<std::string>{"orvacam-cli mount: --indi takes HOST:PORT, not 'host:port'"});
}

TEST_F(CliMountRun, NoServerGivesOneLineAndFailure) {
    const std::string gone = indi;
    server.Kill();
    for (const char* verb : {"status", "connect"}) {
        const Outcome run = Run({"mount", verb, "--indi", gone});
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(run.code, 1) << verb;
        EXPECT_EQ(OurErrors(run), std::vector<std::string>{"orvacam-cli mount: cannot reach the INDI server at " + gone})
            << run.err;
    }
}

}  // namespace
}  // namespace orva
