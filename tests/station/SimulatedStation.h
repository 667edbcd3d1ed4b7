#pragma once
// The station as every front end builds it, over one simulated camera in real time, with
// its own settings folder, data folder (equipment lists, events), recording folders and
// scripted messages.

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"
#include "station/Station.h"

#include "support/FakeUiServices.h"
#include "support/StationInside.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

namespace orva::test {

class SimulatedStation {
public:
    // `telescopeDrivers`: the mounts the station's telescope worker may drive (none: an
    // INDI server's); `configure` changes the settings before the station is built.
    explicit SimulatedStation(const StationCameraSettings& camera = {}, uint8_t sensorCode = 7,
                              ITelescopeDriverFactory* telescopeDrivers = nullptr,
                              const std::function<void(Settings&)>& configure = {}) {
        SimCameraConfig config;
        config.identity.friendlyName = "ORVA+CAM";
        config.identity.sensorCode = sensorCode;
        cameraDevice = std::make_shared<SimulatedCamera>(config, SteadyClock::Instance());
        devices = std::make_unique<SimDeviceEnumerator>(std::vector<std::shared_ptr<SimulatedCamera>>{cameraDevice});
        for (const char* folder : {"ser", "adv", "fits", "dark", "flat", "config", "data"}) {
            std::filesystem::create_directories(dir.File(folder));
        }
        settings.SerDirectory = dir.File("ser");
        settings.AdvDirectory = dir.File("adv");
        settings.FitsDirectory = dir.File("fits");
        settings.DarkFramesDirectory = dir.File("dark");
        settings.FlatFramesDirectory = dir.File("flat");
        settings.CreateStatusCsvFile.Set(false);
        StationOptions o;
        o.settings = &settings;
        o.ui = &ui;
        o.devices = devices.get();
        o.frameProcessorThreads = 2;
        o.dataDirectory = dir.File("data");
        o.observers = &observers;
        o.sites = &sites;
        o.instruments = &instruments;
        o.mounts = &mounts;
        o.telescopeDrivers = telescopeDrivers;
        if (configure) configure(settings);
        station = std::make_unique<Station>(o);
        station->SetCameraSettings(camera);
    }

    // Connects the simulated camera and starts the stream.
    bool ConnectAndStream() {
        std::string error;
        return station->Connect(cameraDevice->SymbolicLink(), error) && station->StartStreaming();
    }

    // Waits for `count` more frames through the frame processor.
    bool WaitForFrames(int count, std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const int64_t target = StationInside::Processor(*station).FramesProcessed() + count;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (StationInside::Processor(*station).FramesProcessed() < target) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    TempDir dir;
    NotificationCenter center;
    Settings settings{dir.File("config"), center};
    FakeUiServices ui;
    ObserverManager observers{dir.File("data"), settings};
    ObservingSiteManager sites{dir.File("data"), settings};
    InstrumentManager instruments{dir.File("data"), settings, center};
    MountManager mounts{dir.File("data"), settings};
    std::shared_ptr<SimulatedCamera> cameraDevice;
    std::unique_ptr<SimDeviceEnumerator> devices;
    std::unique_ptr<Station> station;
};

}  // namespace orva::test
