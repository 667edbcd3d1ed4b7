// The telescope window's logic with its worker's passes run by the test against a
// simulated mount of ours: what the buttons and keys queue, the rate index, the next
// event's coordinates and the position texts.
#include "telescope/TelescopeDialogModel.h"
#include "telescope/TelescopeKeyboard.h"

#include "common/TextFormats.h"
#include "telescope/SimulatedTelescopeWindow.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

constexpr double kT = test::SimulatedTelescopeWindow::kTrackingSpeedE5 * 0.00001;

class FixedEvent final : public INextEventSource {
public:
    std::optional<NextEventTarget> NextEvent() override { return event; }
    std::optional<NextEventTarget> event;
};

// The event source comes first: the window is handed it.
struct WithEvents {
    FixedEvent events;
};

class TelescopeDialogModelTest : public ::testing::Test, protected WithEvents, protected test::SimulatedTelescopeWindow {
protected:
    TelescopeDialogModelTest() : test::SimulatedTelescopeWindow(&events) {
        settings.SetTelescopeRates(test::SimulatedMountFactory::kProgramId, "0.500;0.250;1.000;0.750;2.000;1.500");
        mounts.config.connected = true;
        mounts.config.tracking = true;
        model.Initialise(false);
    }
    // Shows the window and lets the worker create the driver and read the mount.
    void Show() {
        model.ShownOrHidden();
        model.Worker().RunPass();
        model.Worker().RunPass();
        for (int i = 0; i < 5; ++i) model.Tick();
    }
    std::vector<TelescopeCommand> Queued() {
        std::vector<TelescopeCommand> commands;
        for (auto c = model.Worker().TakeCommand(); c.kind != TelescopeCommandKind::None; c = model.Worker().TakeCommand()) {
            commands.push_back(c);
        }
        return commands;
    }
    static TelescopeCommand Move(int axis, double rate) { return {TelescopeCommandKind::MoveAxis, axis, rate, 0.0}; }
};

TEST_F(TelescopeDialogModelTest, MoveButtonsSendTheSelectedRowsRatesAndStopOnRelease) {
    // Without a driver nothing is sent.
    model.OnMoveButton(TelescopeMoveButton::West, false);
    model.OnMoveButton(TelescopeMoveButton::West, true);
    EXPECT_TRUE(Queued().empty());
    Show();
    ASSERT_TRUE(model.Controls().moveEnabled);
    struct Case {
        TelescopeMoveButton button;
        int axis;
        double rate;
    } cases[] = {
        {TelescopeMoveButton::West, 0, kT - 0.5},
        {TelescopeMoveButton::East, 0, kT + 0.5},
        {TelescopeMoveButton::North, 1, 0.25},
        {TelescopeMoveButton::South, 1, -0.25},
    };
    for (const Case& c : cases) {
        model.OnMoveButton(c.button, false);
        model.OnMoveButton(c.button, true);
        const auto queued = Queued();
        ASSERT_EQ(queued.size(), 2u);
        EXPECT_EQ(queued[0].axis, c.axis);
        EXPECT_DOUBLE_EQ(queued[0].first, c.rate);
        EXPECT_EQ(queued[1], Move(c.axis, 0.0));
    }
    // The next row after "+".
    model.RateUp();
    model.OnMoveButton(TelescopeMoveButton::East, false);
    EXPECT_DOUBLE_EQ(Queued().at(0).first, kT + 1.0);
}

TEST_F(TelescopeDialogModelTest, HeldButtonsRefreshThePositionOnEveryTick) {
    Show();
    mounts.Last()->Slew(6.0, 10.0);
    model.Worker().RunPass();
    model.Tick();  // not the fifth tick: nothing shown yet
    const std::string before = model.Controls().position[0];
    model.OnMoveButton(TelescopeMoveButton::North, false);
    model.Tick();
    EXPECT_NE(model.Controls().position[0], before);
    EXPECT_EQ(model.Controls().position[0], FormatRightAscension(90.0));
}

TEST_F(TelescopeDialogModelTest, RateIndexStaysInsideTheTable) {
    Show();
    EXPECT_EQ(model.Controls().rateText, "1");
    for (int i = 0; i < 5; ++i) model.RateUp();
    EXPECT_EQ(model.RateIndex(), 2);
    EXPECT_EQ(model.Controls().rateText, "3");
    for (int i = 0; i < 5; ++i) model.RateDown();
    EXPECT_EQ(model.RateIndex(), 0);
    EXPECT_EQ(model.Controls().rateText, "1");
}

TEST_F(TelescopeDialogModelTest, ControlKeysMoveAndTheirReleaseStops) {
    struct Case {
        TelescopeArrowKey key;
        TelescopeCommand press;
        TelescopeCommand release;
        const char* logLine;
    } cases[] = {
        {TelescopeArrowKey::Left, Move(0, -kT), Move(0, 0.0), "I Keyboard triggers move in RA"},
        {TelescopeArrowKey::Right, Move(0, 3 * kT), Move(0, 0.0), "I Keyboard triggers move in RA"},
        {TelescopeArrowKey::Up, Move(1, -2 * kT), Move(1, 0.0), "I Keyboard triggers move in DEC"},
        {TelescopeArrowKey::Down, Move(1, 2 * kT), Move(1, 0.0), "I Keyboard triggers move in DEC"},
    };
    // Before any Ctrl+arrow a key release sends nothing, and a plain arrow is not consumed.
    model.OnKeyUp(TelescopeArrowKey::Left);
    model.OnKeyUp(TelescopeArrowKey::Down);
    EXPECT_FALSE(model.OnKeyDown(TelescopeArrowKey::Left, false));
    EXPECT_TRUE(Queued().empty());
    for (const Case& c : cases) {
        EXPECT_TRUE(model.OnKeyDown(c.key, true));
        model.OnKeyUp(c.key);
        const auto queued = Queued();
        ASSERT_EQ(queued.size(), 2u);
        EXPECT_EQ(queued[0].axis, c.press.axis);
        EXPECT_DOUBLE_EQ(queued[0].first, c.press.first);
        EXPECT_EQ(queued[1], c.release);
        EXPECT_TRUE(log.Contains(c.logLine));
    }
    // The flags stay: a later plain release still stops the axis.
    model.OnKeyUp(TelescopeArrowKey::Right);
    EXPECT_EQ(Queued(), std::vector<TelescopeCommand>{Move(0, 0.0)});
    EXPECT_TRUE(log.Contains("I Keyboard triggers move in  RA"));  // "%s %s" of a text ending in a blank
}

// The keyboard's repeats of a held Ctrl+arrow: one move and one stop, not a stop and a
// move for every repeat.
TEST_F(TelescopeDialogModelTest, AHeldControlKeyMovesOnceAndStopsOnce) {
    TelescopeKeyboard keys;
    EXPECT_TRUE(keys.KeyDown(TelescopeArrowKey::Down, true, false, &model));
    for (int i = 0; i < 5; ++i) {
        keys.KeyUp(TelescopeArrowKey::Down, true, &model);
        EXPECT_TRUE(keys.KeyDown(TelescopeArrowKey::Down, true, true, &model)) << "a repeat is consumed too";
    }
    keys.KeyUp(TelescopeArrowKey::Down, false, &model);
    const auto queued = Queued();
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_DOUBLE_EQ(queued[0].first, 2 * kT);
    EXPECT_EQ(queued[1], Move(1, 0.0));
    // A plain arrow (the live view pans) is not the mount's, repeated or not.
    EXPECT_FALSE(keys.KeyDown(TelescopeArrowKey::Left, false, false, &model));
    EXPECT_FALSE(keys.KeyDown(TelescopeArrowKey::Left, false, true, &model));
    EXPECT_TRUE(Queued().empty());
}

// The release of a key held while another program took the keyboard never comes: the
// axes still moving are stopped when the focus goes, and only those.
TEST_F(TelescopeDialogModelTest, LosingTheKeyboardStopsTheAxesOfTheKeysHeld) {
    TelescopeKeyboard keys;
    keys.KeyDown(TelescopeArrowKey::Left, true, false, &model);
    keys.KeyDown(TelescopeArrowKey::Up, true, false, &model);
    keys.KeyUp(TelescopeArrowKey::Up, false, &model);
    Queued();
    keys.FocusLost(&model);
    EXPECT_EQ(Queued(), std::vector<TelescopeCommand>{Move(0, 0.0)});
    keys.FocusLost(&model);
    EXPECT_TRUE(Queued().empty()) << "nothing held any more";
}

// Without a telescope window the keys are still the mount's (consumed) but move nothing.
TEST_F(TelescopeDialogModelTest, WithoutATelescopeWindowTheKeysMoveNothing) {
    TelescopeKeyboard keys;
    EXPECT_TRUE(keys.KeyDown(TelescopeArrowKey::Right, true, false, nullptr));
    keys.KeyUp(TelescopeArrowKey::Right, false, nullptr);
    keys.FocusLost(nullptr);
    EXPECT_TRUE(Queued().empty());
}

TEST_F(TelescopeDialogModelTest, EventButtonWritesTheNextEventsStar) {
    model.NextEventButton();
    EXPECT_EQ(model.InstructionText(), "No upcoming event.");
    EXPECT_EQ(model.EditTextVersion(), 0);
    EXPECT_FALSE(model.Controls().eventEnabled);

    struct Case {
        double ra, dec;
        const char* text;
    } cases[] = {
        {5.25, -0.5, "5 15 00.0    -0 30 00"},
        {23.999, 45.25, "23 59 56.4    45 15 00"},
        {0.0, -89.5, "0 00 00.0    -89 30 00"},
        {12.5126, 5.1722, "12 30 45.4    5 10 20"},
    };
    for (const Case& c : cases) {
        events.event = NextEventTarget{"star", c.ra, c.dec};
        const int version = model.EditTextVersion();
        model.NextEventButton();
        EXPECT_EQ(model.EditText(), c.text);
        EXPECT_EQ(model.EditTextVersion(), version + 1);
        EXPECT_EQ(model.InstructionText(), "Coordinates of next event:");
    }
    model.ShownOrHidden();
    EXPECT_TRUE(model.Controls().eventEnabled);
}

TEST_F(TelescopeDialogModelTest, PositionTextsWithOffsetsAcrossTwentyFourHours) {
    PlateSolution solved;
    solved.coordinatesValid = true;
    struct Case {
        const char* name;
        bool driver;
        SharedTelescopeState::Position mount;
        bool solutionValid;
        double solvedRa, solvedDec;
        std::optional<NextEventTarget> event;
        std::array<const char*, 4> offsets;  // solved RA, solved DEC, event RA, event DEC
    } cases[] = {
        {"no driver", false, {1, 5.0, 10.0}, true, 75.0, 10.0, NextEventTarget{"s", 5.0, 10.0}, {"-", "-", "-", "-"}},
        {"no position", true, {0, 0.0, 0.0}, true, 75.0, 10.0, NextEventTarget{"s", 5.0, 10.0}, {"-", "-", "-", "-"}},
        {"mount just before 24 h", true, {1, 23.9, 10.0}, true, 1.5, 10.5, NextEventTarget{"s", 0.1, 9.99},
         {"180'", "30'", "180'", "0'"}},
        {"mount just after 0 h", true, {1, 0.1, -10.0}, true, 359.0, -10.5, NextEventTarget{"s", 23.95, -9.0},
         {"-150'", "-30'", "-135'", "60'"}},
        {"nothing solved, no event", true, {1, 12.0, 0.0}, false, 0.0, 0.0, std::nullopt, {"-", "-", "-", "-"}},
        {"truncated toward zero", true, {1, 12.0, 0.0}, true, 180.0 - 0.99 / 60, 0.99 / 60, std::nullopt,
         {"0'", "0'", "-", "-"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        solved.coordinatesValid = c.solutionValid;
        solved.rightAscensionDeg = c.solvedRa;
        solved.declinationDeg = c.solvedDec;
        const auto texts = TelescopeDialogModel::PositionTexts(c.driver, c.mount, solved, c.event);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(texts[2 + i], c.offsets[i]) << i;
        if (c.driver && c.mount.valid) {
            EXPECT_EQ(texts[0], FormatRightAscension(c.mount.rightAscensionHours * 15.0));
            EXPECT_EQ(texts[1], FormatAngle(c.mount.declinationDegrees, '+', '-', false));
        } else {
            EXPECT_EQ(texts[0], "-");
            EXPECT_EQ(texts[1], "-");
        }
    }
}

TEST_F(TelescopeDialogModelTest, WithoutADriverThePositionIsWithdrawnAndShownAsDashes) {
    shared.Write({1, 5.0, 10.0});
    for (int i = 0; i < 5; ++i) model.Tick();
    EXPECT_EQ(shared.Read(), SharedTelescopeState::Position{});
    for (const std::string& text : model.Controls().position) EXPECT_EQ(text, "-");
    EXPECT_FALSE(model.Controls().connectEnabled);
}

TEST_F(TelescopeDialogModelTest, RatesWindowIsHandedTheConnectedDriverOnlyWhileOpen) {
    const std::string id = test::SimulatedMountFactory::kProgramId;
    TelescopeRatesDialogModel& rates = model.Rates();
    Show();
    model.Tick();
    EXPECT_EQ(rates.Title(), "?") << "a closed window is handed nothing";

    model.OpenRates();
    EXPECT_EQ(rates.Title(), id);
    EXPECT_TRUE(rates.UseCustomRates());
    EXPECT_EQ(rates.RightAscensionFields()[1].text, "1.000");

    // Disconnected, the open window is handed an empty id on the next tick.
    model.OnConnectButton();
    model.OnConnectMessage();
    model.Worker().RunPass();
    model.Worker().RunPass();
    model.Tick();
    EXPECT_EQ(rates.Title(), "");

    // Closed, it keeps what it was last handed.
    model.CloseRates();
    model.OnConnectButton();
    model.OnConnectMessage();
    model.Worker().RunPass();
    model.Worker().RunPass();
    model.Tick();
    ASSERT_TRUE(model.Worker().Connected());
    EXPECT_EQ(rates.Title(), "");
    EXPECT_EQ(&model.Rates(), &rates);
    EXPECT_EQ(log.MessagesStartingWith("I Opened Dialog 'Telescope Rates'").size(), 1u);
}

TEST_F(TelescopeDialogModelTest, DriverIsChosenOnlyWhileTheWindowHasNone) {
    // A disconnected mount that can't sync: only the driver's arrival changes, and the
    // connect button must still follow it.
    mounts.config.connected = false;
    mounts.config.canSync = false;
    EXPECT_TRUE(model.Controls().chooseEnabled);
    EXPECT_FALSE(model.Controls().connectEnabled);
    Show();
    ASSERT_TRUE(model.Worker().DriverCreated());
    EXPECT_TRUE(model.Controls().connectEnabled);
    EXPECT_FALSE(model.Controls().chooseEnabled);
    EXPECT_FALSE(model.ChooseDriver(0));
    EXPECT_EQ(settings.TelescopeDriver, test::SimulatedMountFactory::kProgramId);
}

}  // namespace
}  // namespace orva
