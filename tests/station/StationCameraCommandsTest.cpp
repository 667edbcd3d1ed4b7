// Camera commands the frames call for go out from the station's tick, never from the
// frame path: the time resolution the settings ask for reaches the simulated camera.

#include "SimulatedStation.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

TEST(StationCameraCommands, TheTickSwitchesTheTimeResolutionUntilTheFramesShowIt) {
    test::LogCapture log;
    test::SimulatedStation s({}, 7, nullptr, [](Settings& settings) { settings.UseTimeResolution100us = 1; });
    ASSERT_TRUE(s.ConnectAndStream());
    ASSERT_TRUE(s.WaitForFrames(3));
    const auto commands = [&] { return log.MessagesStartingWith("I Camera high resolution mode switching to").size(); };
    EXPECT_EQ(commands(), 0u) << "the frame path sent a camera command";

    // Tick until the frames have shown the new resolution for a while: no command after that.
    std::size_t sent = 0;
    int quietTicks = 0;
    for (int i = 0; i < 200 && quietTicks < 10; ++i) {
        s.station->Tick();
        ASSERT_TRUE(s.WaitForFrames(1));
        quietTicks = commands() == sent ? quietTicks + 1 : 0;
        sent = commands();
    }
    EXPECT_GE(sent, 1u);
    EXPECT_EQ(quietTicks, 10) << "the camera never showed the resolution it was sent";
    EXPECT_EQ(log.MessagesStartingWith("I Camera high resolution mode switching to 1").size(), sent);
}

}  // namespace
}  // namespace orva
