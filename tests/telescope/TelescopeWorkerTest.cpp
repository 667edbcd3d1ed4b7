// The telescope worker's passes against a simulated mount of ours: the rate table it
// determines, the commands it carries out and the messages its failures leave.
#include "telescope/TelescopeWorker.h"

#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "telescope/SimulatedMount.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace orva {
namespace {

constexpr double kTrackingRate = 0.00417;

class TelescopeWorkerTest : public ::testing::Test {
protected:
    TelescopeWorkerTest() : mounts(clock), worker(mounts, shared, clock, kTrackingRate) {}

    // Creates the driver and connects it, with the stored rates text.
    void Connect(const std::string& ratesText = "") {
        worker.SetDriver(test::SimulatedMountFactory::kProgramId, ratesText);
        worker.PostCommand(TelescopeCommandKind::CreateDriver);
        worker.PostCommand(TelescopeCommandKind::Connect);
        worker.RunPass();
        worker.RunPass();
    }
    std::vector<TelescopeMessage> Messages() {
        std::vector<TelescopeMessage> messages;
        for (auto m = worker.TakeMessage(); m; m = worker.TakeMessage()) messages.push_back(*m);
        return messages;
    }

    test::LogCapture log;
    test::ManualClock clock;
    SharedTelescopeState shared;
    test::SimulatedMountFactory mounts;
    TelescopeWorker worker;
};

TEST_F(TelescopeWorkerTest, RatesComeFromTheStoredTextOrTheDriversRanges) {
    using Ranges = std::vector<TelescopeRateRange>;
    const Ranges one{{0.5, 4.5}};
    struct Case {
        const char* name;
        std::string ratesText;
        Ranges ra, dec;
        int32_t axisRatesFailure;
        std::vector<TelescopeRate> rows;
        std::optional<TelescopeMessage> message;
        std::vector<std::string> logLines;
    } cases[] = {
        {"stored text wins", "0.500;0.250;1.000;0.750", one, one, 0, {{0, 0.5, 0.25}, {1, 1.0, 0.75}}, std::nullopt,
         {"I AxisRate 0: 0.500000 0.250000", "I AxisRate 1: 1.000000 0.750000"}},
        {"one range per axis spreads five rows", "", one, {{0.25, 2.25}}, 0,
         {{0, 0.5, 0.25}, {1, 0.53125, 0.265625}, {2, 0.625, 0.3125}, {3, 1.0, 0.5}, {4, 2.5, 1.25}},
         std::nullopt,
         {"I Telescope speed rates (RA/DEC) 1 1", "I Single rate range Ra  (*1000) 500 4500",
          "I Single rate range Dec (*1000) 250 2250", "I AxisRate 4: 2.500000 1.250000"}},
        {"a damaged stored text is not half applied", "0.5;x", one, {{0.25, 2.25}}, 0,
         {{0, 0.5, 0.25}, {1, 0.53125, 0.265625}, {2, 0.625, 0.3125}, {3, 1.0, 0.5}, {4, 2.5, 1.25}},
         std::nullopt, {}},
        {"a slow minimum counts as 0.01", "", {{0.0, 1.29}}, {{0.0, 1.29}}, 0,
         {{0, 0.01, 0.01}, {1, 0.02, 0.02}, {2, 0.05, 0.05}, {3, 0.17, 0.17}, {4, 0.65, 0.65}}, std::nullopt, {}},
        {"several ranges give their minimums", "", {{0.1, 0.2}, {0.5, 0.6}, {2.0, 3.0}},
         {{0.05, 0.2}, {0.4, 0.6}, {1.5, 3.0}}, 0, {{0, 0.1, 0.05}, {1, 0.5, 0.4}, {2, 2.0, 1.5}}, std::nullopt,
         {"I Telescope speed rates (RA/DEC) 3 3"}},
        {"different counts are not supported", "", {{0.1, 0.2}, {0.5, 0.6}}, one, 0, {},
         TelescopeMessage{"Error",
                          "Telescope rate configuration currently not supported. Moving with N/S/W/E buttons won't work.",
                          MessageIcon::Error},
         {"I Telescope speed rates (RA/DEC) 2 1", "E Rates not supported"}},
        {"no ranges are not supported", "", {}, {}, 0, {},
         TelescopeMessage{"Error",
                          "Telescope rate configuration currently not supported. Moving with N/S/W/E buttons won't work.",
                          MessageIcon::Error},
         {"E Rates not supported"}},
        {"unreadable ranges give the fixed rows", "", one, one, kTelescopeNoProperty,
         {{0, 0.2, 0.2}, {1, 0.4, 0.4}, {2, 0.8, 0.8}, {3, 1.6, 1.6}, {4, 3.2, 3.2}},
         TelescopeMessage{"Warning", "Failed to get rate details. Will use fixed rates.", MessageIcon::Warning},
         {"E Failed to determine telescope speed rates (1) -4 -4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SimulatedMountFactory factory(clock);
        factory.config.raRanges = c.ra;
        factory.config.decRanges = c.dec;
        if (c.axisRatesFailure != 0) factory.config.failures["GetAxisRates"] = c.axisRatesFailure;
        TelescopeWorker w(factory, shared, clock, kTrackingRate);
        w.SetDriver(test::SimulatedMountFactory::kProgramId, c.ratesText);
        w.PostCommand(TelescopeCommandKind::CreateDriver);
        w.PostCommand(TelescopeCommandKind::Connect);
        w.RunPass();
        const std::vector<TelescopeRate> rows = w.Rates().Rows();
        ASSERT_EQ(rows.size(), c.rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].index, c.rows[i].index);
            EXPECT_NEAR(rows[i].rightAscensionRate, c.rows[i].rightAscensionRate, 1e-12) << i;
            EXPECT_NEAR(rows[i].declinationRate, c.rows[i].declinationRate, 1e-12) << i;
        }
        EXPECT_EQ(w.TakeMessage(), c.message);
        EXPECT_EQ(w.TakeMessage(), std::nullopt);
        for (const std::string& line : c.logLines) EXPECT_TRUE(log.Contains(line)) << line;
    }
}

TEST_F(TelescopeWorkerTest, AMountConnectedAtCreationHasItsRatesAtOnce) {
    mounts.config.connected = true;
    worker.SetDriver(test::SimulatedMountFactory::kProgramId, "");
    worker.PostCommand(TelescopeCommandKind::CreateDriver);
    worker.RunPass();
    EXPECT_EQ(worker.Rates().Size(), 5u);
    EXPECT_EQ(worker.DriverInfo(), "Simulated mount 1.0");
    // A second CreateDriver (the window shown again) keeps the driver.
    worker.PostCommand(TelescopeCommandKind::CreateDriver);
    worker.RunPass();
    EXPECT_EQ(mounts.Created(), 1);
}

TEST_F(TelescopeWorkerTest, EachFailingCommandLeavesItsMessageAndLogLine) {
    struct Case {
        const char* operation;
        TelescopeCommand command;
        const char* message;
        const char* logLine;  // null: none
    } cases[] = {
        {"SetConnected", {TelescopeCommandKind::Disconnect}, "Disconnecting the telescope failed.", nullptr},
        {"Tracking", {TelescopeCommandKind::StartTracking}, "Failed to start tracking.", nullptr},
        {"Tracking", {TelescopeCommandKind::StopTracking}, "Failed to stop tracking.", nullptr},
        {"MoveAxis", {TelescopeCommandKind::MoveAxis, 1, 0.5}, "Failed to move the telescope.", nullptr},
        {"Sync", {TelescopeCommandKind::Sync, 0, 5.0, 10.0}, "Failed to synchronize the telescope to the desired position.",
         "E Failed to synchronize the telescope -6"},
        {"Slew", {TelescopeCommandKind::Slew, 0, 5.0, 10.0}, "Failed to move the telescope to the desired position.",
         "E SlewToCoordinates failed -6"},
        {"PulseGuide", {TelescopeCommandKind::GuidePulse, 0, -400.0}, "Failed to move the telescope.",
         "E Guide pulse failed -6"},
    };
    Connect();
    Messages();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        mounts.Last()->Fail(c.operation, kTelescopeRefused);
        worker.PostCommand(c.command.kind, c.command.axis, c.command.first, c.command.second);
        worker.RunPass();
        EXPECT_EQ(Messages(), (std::vector<TelescopeMessage>{{"Telescope Error", c.message, MessageIcon::Error}}));
        if (c.logLine) {
            EXPECT_TRUE(log.Contains(c.logLine));
        }
        mounts.Last()->Fail(c.operation, 0);
    }
}

TEST_F(TelescopeWorkerTest, DriverCreationFailuresAreExplained) {
    struct Case {
        const char* programId;
        const char* failing;  // an information read that fails, or null
        bool created;
        const char* message;
        const char* logLine;
    } cases[] = {
        {"", nullptr, false, "No telescope driver selected. Please select a driver in the settings and try again.",
         "I No telescope driver selected in the settings"},
        {"nowhere:7624/Mount", nullptr, false, "Failed to access the telescope driver.",
         "E Failed to create the telescope driver facade -3"},
        {"sim", "GetDriverInfo", true, "Failed to get information on the telescope driver.",
         "E Failed to retrieve information from the telescope driver facade -6 0"},
        {"sim", "CanSync", true, "Failed to get information on the telescope driver.",
         "E Failed to retrieve information from the telescope driver facade 0 -6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.programId);
        test::SimulatedMountFactory factory(clock);
        if (c.failing) factory.config.failures[c.failing] = kTelescopeRefused;
        TelescopeWorker w(factory, shared, clock, kTrackingRate);
        w.SetDriver(c.programId, "");
        w.PostCommand(TelescopeCommandKind::CreateDriver);
        w.RunPass();
        EXPECT_EQ(w.DriverCreated(), c.created);
        EXPECT_EQ(w.TakeMessage(), (TelescopeMessage{"Telescope Error", c.message, MessageIcon::Error}));
        EXPECT_TRUE(log.Contains(c.logLine));
    }
}

TEST_F(TelescopeWorkerTest, ConnectingThatFailsStillDeterminesTheRates) {
    mounts.config.failures["SetConnected"] = kTelescopeNoAnswer;
    Connect();
    EXPECT_EQ(Messages(), (std::vector<TelescopeMessage>{{"Telescope Error", "Connecting the telescope failed.",
                                                          MessageIcon::Error}}));
    EXPECT_EQ(worker.Rates().Size(), 5u);
    EXPECT_FALSE(worker.Connected());
    EXPECT_EQ(shared.Read().valid, 0);
}

TEST_F(TelescopeWorkerTest, RightAscensionMovesLoseTheTrackingRateTheWindowAddedAndZeroStops) {
    Connect();
    struct Case {
        int axis;
        double windowRate;
        double driverRate;
    } cases[] = {
        {0, kTrackingRate - 0.5, -0.5}, {0, kTrackingRate + 0.5, 0.5}, {0, 0.0, 0.0}, {1, 0.25, 0.25}, {1, -0.25, -0.25},
        {1, 0.0, 0.0},
    };
    for (const Case& c : cases) worker.PostCommand(TelescopeCommandKind::MoveAxis, c.axis, c.windowRate);
    worker.RunPass();
    const auto moves = mounts.Last()->Moves();
    ASSERT_EQ(moves.size(), std::size(cases));
    for (std::size_t i = 0; i < moves.size(); ++i) {
        EXPECT_EQ(moves[i].axis, cases[i].axis);
        EXPECT_DOUBLE_EQ(moves[i].rate, cases[i].driverRate) << i;
    }
}

TEST_F(TelescopeWorkerTest, PublishesThePositionAndWithdrawsItWhenTheLinkBreaks) {
    mounts.config.rightAscensionHours = 5.5;
    mounts.config.declinationDegrees = -20.0;
    mounts.config.tracking = true;
    Connect();
    EXPECT_EQ(shared.Read(), (SharedTelescopeState::Position{1, 5.5, -20.0}));
    // A position that could not be read is not valid, though the mount is connected.
    mounts.Last()->Fail("GetCoordinates", kTelescopeNoAnswer);
    worker.RunPass();
    EXPECT_EQ(shared.Read(), (SharedTelescopeState::Position{}));
    mounts.Last()->Fail("GetCoordinates", 0);
    worker.RunPass();
    EXPECT_EQ(shared.Read().valid, 1);
    mounts.Last()->Disconnect();
    worker.RunPass();
    EXPECT_EQ(Messages(), (std::vector<TelescopeMessage>{{"Telescope Error", "Lost the connection to the telescope driver.",
                                                          MessageIcon::Error}}));
    EXPECT_EQ(shared.Read(), (SharedTelescopeState::Position{}));
    EXPECT_FALSE(worker.DriverCreated());
    EXPECT_TRUE(log.Contains("E Lost the connection to the telescope driver"));
}

// A command line waits on the numbers: a command is done once CommandsDone reaches its
// number, and a failure of it is a message. A mount that cannot park or abort says so.
TEST_F(TelescopeWorkerTest, CommandsAreNumberedAndRefusedParkAndAbortAreReported) {
    Connect();
    EXPECT_EQ(worker.CommandsDone(), 2u);
    EXPECT_EQ(worker.Passes(), 2u);
    const struct {
        TelescopeCommandKind kind;
        const char* text;
        const char* logLine;
    } cases[] = {
        {TelescopeCommandKind::Park, "Failed to park the telescope.", "E Parking the telescope failed"},
        {TelescopeCommandKind::Unpark, "Failed to unpark the telescope.", "E Unparking the telescope failed"},
        {TelescopeCommandKind::AbortSlew, "Failed to stop the telescope.", "E Aborting the slew failed"},
    };
    for (const auto& c : cases) {
        const uint64_t number = worker.PostCommand(c.kind);
        EXPECT_LT(worker.CommandsDone(), number);
        worker.RunPass();
        EXPECT_EQ(worker.CommandsDone(), number);
        EXPECT_EQ(Messages(), (std::vector<TelescopeMessage>{{TelescopeWorker::kErrorTitle, c.text}})) << c.text;
        EXPECT_FALSE(log.MessagesStartingWith(c.logLine).empty()) << c.logLine;
    }
    // The simulated mount cannot say whether it slews or is parked: neither.
    EXPECT_FALSE(worker.Slewing());
    EXPECT_FALSE(worker.Parked());
}

}  // namespace
}  // namespace orva
