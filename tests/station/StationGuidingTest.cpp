// Guiding runs in the station: its corrections reach the mount on the station's tick
// although no guiding or telescope window was ever made, and the guiding box keeps the
// size chosen last.
#include "SimulatedStation.h"

#include "processing/BrightestStar.h"
#include "support/LogCapture.h"
#include "telescope/ITelescopeDriver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace orva {
namespace {

struct Pulse {
    int axis;
    int direction;
    int milliseconds;
    bool operator==(const Pulse&) const = default;
};

// A mount that connects, reports a fixed position and keeps the pulses it was sent.
class PulseRecordingMount final : public ITelescopeDriver {
public:
    explicit PulseRecordingMount(std::vector<Pulse>& pulses) : pulses_(pulses) {}
    int32_t IsConnected(bool& connected) override {
        connected = connected_;
        return 0;
    }
    int32_t SetConnected(bool connected) override {
        connected_ = connected;
        return 0;
    }
    int32_t GetCoordinates(double& ra, double& dec, bool& connected) override {
        ra = 5.0;
        dec = 20.0;
        connected = connected_;
        return 0;
    }
    int32_t Sync(double, double) override { return 0; }
    int32_t Slew(double, double) override { return 0; }
    int32_t GetAxisRates(int, std::vector<TelescopeRateRange>& ranges) override {
        ranges = {{0.0, 1.0}};
        return 0;
    }
    int32_t GetBoolProperty(const std::string& name, bool& value) override {
        value = name == "Tracking";
        return 0;
    }
    int32_t PutBoolProperty(const std::string&, bool) override { return 0; }
    int32_t MoveAxis(int, double) override { return 0; }
    int32_t PulseGuide(int axis, int direction, int milliseconds) override {
        pulses_.push_back({axis, direction, milliseconds});
        return 0;
    }
    int32_t GetDriverInfo(std::string& info) override {
        info = "pulse recorder";
        return 0;
    }
    bool ConnectionLost() const override { return false; }

private:
    std::vector<Pulse>& pulses_;
    bool connected_ = false;
};

class PulseRecordingMounts final : public ITelescopeDriverFactory {
public:
    int32_t Create(const std::string&, std::unique_ptr<ITelescopeDriver>& driver) override {
        driver = std::make_unique<PulseRecordingMount>(pulses);
        return 0;
    }
    std::vector<Pulse> pulses;  // the worker thread writes them; the test runs its passes
};

TEST(StationGuidingTest, CorrectionsReachTheMountOnTheStationsTickWithoutAnyWindow) {
    test::LogCapture log;
    PulseRecordingMounts mounts;
    test::SimulatedStation s({}, 7, &mounts);
    Station& station = *s.station;
    // The mount connected as the command line connects it: through the station's worker,
    // whose passes the test runs.
    TelescopeWorker& worker = station.Tools().Telescope();
    worker.SetDriver("recorder", "");
    worker.PostCommand(TelescopeCommandKind::CreateDriver);
    worker.PostCommand(TelescopeCommandKind::Connect);
    worker.RunPass();
    worker.RunPass();
    ASSERT_TRUE(worker.Connected());

    GuidingService& guiding = station.Guiding();
    guiding.radius = 32;
    guiding.SetTarget(100, 80);
    guiding.SetCentroid(38.0, 25.0);  // 6 px right, 7 px up
    guiding.active = true;
    for (int i = 0; i < 5; ++i) station.Tick();
    worker.RunPass();
    // Up is declination and both directions + by default.
    EXPECT_EQ(mounts.pulses, (std::vector<Pulse>{{0, 1, 400}, {1, -1, 400}}));
    EXPECT_TRUE(log.Contains("I Guiding triggers move in RA 1"));
    EXPECT_TRUE(log.Contains("I Guiding triggers move in DEC -1"));
    station.Shutdown();
}

// A front end without a live view (the command line picking its guiding star) takes the
// stream's next picture from the station.
TEST(StationGuidingTest, APictureOfTheStreamForAFrontEndWithoutALiveView) {
    test::SimulatedStation s;
    Station& station = *s.station;
    EXPECT_FALSE(station.TakePicture().has_value());
    ASSERT_TRUE(s.ConnectAndStream());
    station.RequestPicture();
    std::optional<FramePicture> picture;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!(picture = station.TakePicture()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(picture.has_value());
    ASSERT_NE(station.Mode(), nullptr);
    EXPECT_EQ(picture->width, station.Mode()->Width());
    EXPECT_EQ(picture->height, station.Mode()->Height());
    EXPECT_EQ(picture->pixels.size(), static_cast<std::size_t>(picture->width) * picture->height);
    // The simulated sky's target star is in it.
    EXPECT_TRUE(BrightestStar::Find(picture->pixels.data(), picture->width, picture->height, 16).has_value());
    // Taken once; the next one only on request.
    EXPECT_FALSE(station.TakePicture().has_value());
    station.Shutdown();
}

TEST(StationGuidingTest, TheGuidingBoxKeepsTheSizeChosenLast) {
    test::SimulatedStation s({}, 7, nullptr, [](Settings& settings) { settings.GuidingTrackingRadius = 20; });
    EXPECT_EQ(s.station->Guiding().radius.load(), 20);
}

}  // namespace
}  // namespace orva
