#pragma once
// The tests' way inside a station: its parts, which front ends never reach (they ask
// the station). For checks of what the parts did, not for driving the station.

#include "station/Station.h"

namespace orva {

class StationInside {
public:
    static CameraManager& Manager(Station& station) { return station.Manager(); }
    static MainFrameCameraClient& CameraClient(Station& station) { return station.CameraClient(); }
    static LinkRecoveryController& Recovery(Station& station) { return station.Recovery(); }
    static COrvaMediaStream& Stream(Station& station) { return station.Stream(); }
    static FrameProcessor& Processor(Station& station) { return station.Processor(); }
};

}  // namespace orva
