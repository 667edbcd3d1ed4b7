#pragma once
// The station the widget tests open their windows over: the simulated camera (480 x 300
// mode), settings and a data folder of the test's own, a recording UI fake and the log;
// with useSimulatedMount, the mounts of the program id "sim" are simulated ones of ours.

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"
#include "station/Station.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "telescope/SimulatedMount.h"

#include <memory>

namespace orva::test {

struct UiStation {
    // `clock`: the station's clock (camera commands, timers); the camera keeps real time.
    explicit UiStation(Clock& clock = SteadyClock::Instance()) : stationClock(&clock) {
        settings.Load();
        NewStation();
    }

    // A station over the settings as they are now (the next start, after a reload).
    void NewStation() {
        station.reset();
        StationOptions options;
        options.settings = &settings;
        options.ui = &ui;
        options.devices = &devices;
        options.dataDirectory = dataDir.Path();
        options.frameProcessorThreads = 1;
        options.clock = stationClock;
        if (useSimulatedMount) options.telescopeDrivers = &mounts;
        station = std::make_unique<Station>(options);
        station->SetCameraSettings({4, 20.0, 0});
    }

    Clock* stationClock;
    LogCapture log;
    TempDir dir;
    TempDir dataDir;
    NotificationCenter center;
    Settings settings{dir.Path(), center};
    FakeUiServices ui;
    std::shared_ptr<SimulatedCamera> camera = std::make_shared<SimulatedCamera>(SimCameraConfig{}, SteadyClock::Instance());
    SimDeviceEnumerator devices{{camera}};
    bool useSimulatedMount = false;
    SimulatedMountFactory mounts{SteadyClock::Instance()};  // outlives the station's telescope worker
    std::unique_ptr<Station> station;
};

}  // namespace orva::test
