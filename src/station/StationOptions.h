#pragma once
// What a front end hands the station when it builds it: the settings, where messages go,
// the camera devices it may connect, and the clock that elapsed time follows.

#include "common/Clock.h"

#include <string>

namespace orva {

class EquipmentManager;
class ICameraDeviceEnumerator;
class ITelescopeDriverFactory;
class SharedTelescopeState;
class IUiServices;
class Settings;

struct StationOptions {
    Settings* settings = nullptr;                  // required
    IUiServices* ui = nullptr;                     // required
    ICameraDeviceEnumerator* devices = nullptr;    // required
    Clock* clock = &SteadyClock::Instance();       // camera commands, the stream's waits
    // 0: the setting "NofFrameProcessorThreads".
    int frameProcessorThreads = 0;
    // The station's data folder (events); empty: the user's (AppPaths::DataDirectory).
    std::string dataDirectory;
    // The equipment lists whose current entries reach the recordings; null: the
    // process's lists.
    const EquipmentManager* observers = nullptr;
    const EquipmentManager* sites = nullptr;
    const EquipmentManager* instruments = nullptr;
    const EquipmentManager* mounts = nullptr;
    // The mounts the telescope worker may drive; null: those of an INDI server.
    ITelescopeDriverFactory* telescopeDrivers = nullptr;
    // Where the mount points, as the telescope worker writes it; a front end hands its
    // own when a simulated camera draws the sky there. It outlives the station. Null: the
    // station's own.
    SharedTelescopeState* telescopeState = nullptr;
};

}  // namespace orva
