// orvacam-cli solve and goto: plate solves of the simulated camera's sky where the INDI
// telescope simulator points, through the real solve-field (CliSolveRun: label solver,
// see tests/SolverTests.cmake), and the errors that need no solve (CliSolveErrors).

#include "CliStationRun.h"

#include "support/IndiServerProcess.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace orva {
namespace {

// Where the simulated camera's star list has stars: around Orion's belt.
constexpr const char* kRa = "05:35:12";
constexpr const char* kDec = "-05:24:00";
constexpr double kRaHours = 5.0 + 35.0 / 60.0 + 12.0 / 3600.0;
constexpr double kDecDegrees = -5.4;
// The simulated camera's catalogue sky.
constexpr const char* kScale = "5.6";

double ArcsecApart(double raA, double decA, double raB, double decB) {
    const double ra = std::remainder((raA - raB) * 15.0, 360.0) * 3600.0 * std::cos(decA * M_PI / 180.0);
    return std::hypot(ra, (decA - decB) * 3600.0);
}

// The arc seconds of a "label: X" (RA ...", Dec ...")" line.
std::optional<double> OffsetOf(const std::string& line) {
    const std::size_t colon = line.find(": ");
    double arcsec = 0.0;
    if (colon == std::string::npos || std::sscanf(line.c_str() + colon + 2, "%lf\"", &arcsec) != 1) return std::nullopt;
    return arcsec;
}

std::vector<std::string> OurErrors(const Outcome& run, const std::string& command) {
    return LinesStartingWith(Lines(run.err), "orvacam-cli " + command);
}

class CliSolveRun : public CliStationRun {
protected:
    void SetUp() override {
        // solve-field runs the helper programs it needs through PATH.
        if (const char* path = std::getenv("PATH")) environment = {std::string("PATH=") + path};
        ASSERT_TRUE(server.Start());
        indi = "127.0.0.1:" + std::to_string(server.Port());
    }

    Outcome Cli(std::vector<std::string> args) {
        args.insert(args.end(), {"--indi", indi});
        return Run(args);
    }
    std::vector<std::string> Solving(std::vector<std::string> args) const {
        args.insert(args.end(), {"--strategy", "local", "--scale", kScale, "--timeout", "60", "--out", dir.File("fits"),
                                 "--sim-utc", kSimUtc});
        return args;
    }

    test::IndiServerProcess server;
    std::string indi;
};

// A frame of the sky where the mount points solves to the mount's position; --sync then
// tells the mount it points at the solution; the capture, solved again from its file,
// gives the same centre.
TEST_F(CliSolveRun, SolveOfARenderedFrameIsWithinFiveArcsecondsOfTheMount) {
    const Outcome slew = Cli({"mount", "slew", kRa, kDec, "--timeout", "100"});
    ASSERT_EQ(slew.code, 0) << slew.err;
    double mountRa = 0.0, mountDec = 0.0;
    ASSERT_TRUE(PositionOf(slew.OutLines(), "arrived", mountRa, mountDec)) << slew.out;

    const Outcome solve = Cli(Solving({"solve", "--sync"}));
    ASSERT_TRUE(solve.exited);
    ASSERT_EQ(solve.code, 0) << solve.out << solve.err;
    double ra = 0.0, dec = 0.0;
    ASSERT_TRUE(PositionOf(solve.OutLines(), "centre", ra, dec)) << solve.out;
    EXPECT_LT(ArcsecApart(ra, dec, mountRa, mountDec), 5.0) << solve.out;
    const auto offset = LinesStartingWith(solve.OutLines(), "offset: ");
    ASSERT_EQ(offset.size(), 1u) << solve.out;
    EXPECT_LT(OffsetOf(offset[0]).value_or(1e9), 5.0) << solve.out;
    EXPECT_TRUE(HasLine(solve.OutLines(), "scale: 5.600\"/pixel")) << solve.out;
    EXPECT_EQ(LinesStartingWith(solve.OutLines(), "rotation: ").size(), 1u) << solve.out;
    EXPECT_EQ(LinesStartingWith(solve.OutLines(), "solved in: ").size(), 1u) << solve.out;
    double syncedRa = 0.0, syncedDec = 0.0;
    ASSERT_TRUE(PositionOf(solve.OutLines(), "synced", syncedRa, syncedDec)) << solve.out;
    EXPECT_LT(ArcsecApart(syncedRa, syncedDec, ra, dec), 5.0) << solve.out;

    std::vector<std::string> captures;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("fits"))) captures.push_back(entry.path());
    ASSERT_EQ(captures.size(), 1u);
    const Outcome again = Run({"solve", "--file", captures[0], "--strategy", "local", "--scale", kScale});
    ASSERT_EQ(again.code, 0) << again.out << again.err;
    double fileRa = 0.0, fileDec = 0.0;
    ASSERT_TRUE(PositionOf(again.OutLines(), "centre", fileRa, fileDec)) << again.out;
    EXPECT_LT(ArcsecApart(fileRa, fileDec, ra, dec), 1.0) << again.out;
    EXPECT_TRUE(LinesStartingWith(again.OutLines(), "offset: ").empty()) << again.out;
}

// The mount believes it points half a degree north of where it truly points (synced
// there): the first slew lands half a degree off the target, the solve shows it, and
// the offset slews bring the target within 30" in at most three tries.
TEST_F(CliSolveRun, GotoCenterFromHalfADegreeOffEndsWithinTheTolerance) {
    ASSERT_EQ(Cli({"mount", "slew", kRa, kDec, "--timeout", "100"}).code, 0);
    const Outcome sync = Cli({"mount", "sync", kRa, "-04:54:00"});
    ASSERT_EQ(sync.code, 0) << sync.err;

    // The camera shows the true sky: half a degree south of what the mount reports.
    const Outcome center = Cli(Solving({"goto", kRa, kDec, "--center", "--sim-pointing-error", "0,-0.5"}));
    ASSERT_TRUE(center.exited);
    ASSERT_EQ(center.code, 0) << center.out << center.err;
    std::vector<double> offsets;
    for (int attempt = 1; attempt <= 5; ++attempt) {
        const auto line = LinesStartingWith(center.OutLines(), "try " + std::to_string(attempt) + " offset: ");
        if (line.empty()) break;
        offsets.push_back(OffsetOf(line[0]).value_or(1e9));
        std::cout << line[0] << "\n";  // the offsets per try, for the record
    }
    ASSERT_FALSE(offsets.empty()) << center.out;
    EXPECT_NEAR(offsets.front(), 1800.0, 60.0) << center.out;
    EXPECT_LE(offsets.size(), 3u) << center.out;
    EXPECT_LE(offsets.back(), 30.0) << center.out;
    EXPECT_EQ(LinesStartingWith(center.OutLines(), "centred: ").size(), 1u) << center.out;
    double ra = 0.0, dec = 0.0;
    ASSERT_TRUE(PositionOf(center.OutLines(), "try " + std::to_string(offsets.size()) + " centre", ra, dec));
    EXPECT_LT(ArcsecApart(ra, dec, kRaHours, kDecDegrees), 30.0) << center.out;
}

class CliSolveErrors : public CliStationRun {};

// Wrong input is refused before anything starts: one line and exit code 2.
TEST_F(CliSolveErrors, BadInputGivesOneLineAndExitCodeTwo) {
    const std::string text = dir.File("notes.fits");
    test::WriteFile(text, "observing notes, not an image\n");
    struct Case {
        std::vector<std::string> args;
        std::string line;  // the start of the one line
    } cases[] = {
        {{"goto", "25:00:00", "+10:00:00"}, "orvacam-cli goto: RA '25:00:00' is not hh:mm:ss or decimal hours below 24"},
        {{"goto", "5.5", "+95"}, "orvacam-cli goto: DEC '+95' is not +dd:mm:ss or decimal degrees within -90..+90"},
        {{"goto", "5.5"}, "orvacam-cli goto: goto takes RA (hours, hh:mm:ss or decimal) and DEC"},
        {{"goto", "5.5", "-5", "--center", "--tolerance", "0"}, "orvacam-cli goto: --tolerance takes arc seconds, 1..3600"},
        {{"goto", "5.5", "-5", "--indi", "127.0.0.1:7624/Mount"},
         "orvacam-cli goto: --indi takes HOST:PORT, not '127.0.0.1:7624/Mount'"},
        {{"solve", "--strategy", "magic"}, "orvacam-cli solve: --strategy takes web, local or astap, not 'magic'"},
        {{"solve", "--file", text}, "orvacam-cli solve: '" + text + "' is not a FITS image: "},
        {{"solve", "--file", dir.File("missing.fits")}, "orvacam-cli solve: cannot open '" + dir.File("missing.fits") + "'"},
        {{"solve", "--timeout", "0"}, "orvacam-cli solve: --timeout takes whole seconds, 1..3600"},
        {{"solve", "--sim-pointing-error", "0.5"}, "orvacam-cli solve: --sim-pointing-error takes DRA,DDEC in degrees"},
    };
    for (const Case& c : cases) {
        const Outcome run = Run(c.args);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.code, 2) << c.args[0] << " " << c.args[1] << ": " << run.err;
        const auto lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_EQ(lines[0].rfind(c.line, 0), 0u) << lines[0];
    }
}

// No INDI server where the command looks: one line and exit code 1, for solve with a
// mount and for goto.
TEST_F(CliSolveErrors, NoIndiServerGivesOneLineAndExitCodeOne) {
    for (const std::string command : {"solve", "goto"}) {
        std::vector<std::string> args = {command};
        if (command == "goto") args.insert(args.end(), {kRa, kDec, "--center"});
        args.insert(args.end(), {"--indi", "127.0.0.1:1", "--sim-utc", kSimUtc});
        const Outcome run = Run(args);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.code, 1) << run.err;
        EXPECT_EQ(OurErrors(run, command),
                  std::vector<std::string>{"orvacam-cli " + command + ": cannot reach the INDI server at 127.0.0.1:1"})
            << run.err;
    }
}

// A solver that cannot be started, and one that does not answer within --timeout: one
// line and exit code 1, well before the program's own liveness limit; the capture the
// first run recorded is kept.
TEST_F(CliSolveErrors, MissingOrHangingSolverFailsWithOneLine) {
    const std::string programs = dir.File("programs");
    std::filesystem::create_directories(programs);
    environment = {"PATH=" + programs};
    const Outcome missing =
        Run({"solve", "--strategy", "local", "--out", dir.File("fits"), "--timeout", "5", "--sim-utc", kSimUtc});
    ASSERT_TRUE(missing.exited);
    EXPECT_EQ(missing.code, 1) << missing.err;
    EXPECT_EQ(OurErrors(missing, "solve"),
              std::vector<std::string>{"orvacam-cli solve: File upload failed: There was a problem sending the file to the server."})
        << missing.err;
    std::vector<std::string> captures;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("fits"))) captures.push_back(entry.path());
    ASSERT_EQ(captures.size(), 1u);

    test::WriteFile(programs + "/solve-field", "#!/bin/sh\nexec /bin/sleep 600\n");
    std::filesystem::permissions(programs + "/solve-field", std::filesystem::perms::owner_all);
    const auto start = std::chrono::steady_clock::now();
    const Outcome hanging = Run({"solve", "--file", captures[0], "--strategy", "local", "--timeout", "2"});
    ASSERT_TRUE(hanging.exited);
    EXPECT_EQ(hanging.code, 1) << hanging.err;
    const auto errors = OurErrors(hanging, "solve");
    ASSERT_EQ(errors.size(), 1u) << hanging.err;
    EXPECT_EQ(errors[0].rfind("orvacam-cli solve: Plate solving failed: ", 0), 0u) << errors[0];
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

}  // namespace
}  // namespace orva
