#pragma once
// Guiding's corrections, run by the station whether or not a window exists: once a
// second, while guiding is active and has a target (or waits for one), it compares the
// star's centroid with the centre of its box and requests one step per axis where the
// star is 4 pixels or more away; on every tick it sends the requested steps to the mount
// as timed guide pulses through the telescope worker. A star that moved 0.8 radius or
// more away stops guiding.
//
// Steps are sent only while the worker has a connected mount; until then a request
// waits on the guiding record and the next one overwrites it, so no stale corrections
// pile up for a mount that connects later.
//
// Threads: Tick on the station's thread; the frame path writes the centroid and the
// guiding window the rest of the record (see GuidingService).

#include <cstdint>
#include <functional>
#include <utility>

namespace orva {

class GuidingService;
class TelescopeWorker;

// One guide pulse as it went to the mount: axis 0 right ascension, 1 declination;
// direction +1 east / north, -1 west / south.
struct GuidingPulse {
    int axis = 0;
    int direction = 1;
    int milliseconds = 0;
    bool operator==(const GuidingPulse&) const = default;
};

class GuidingCorrector {
public:
    // The station's ticks per look at the offsets: once a second at 200 ms a tick.
    static constexpr int kTicksPerLook = 5;
    // A step is a timed pulse of this length at the driver's guide rate (at 1x sidereal
    // the 6" of a 200-ms move at twice the tracking rate).
    static constexpr int kGuidePulseMs = 400;
    // Offsets below this many pixels on both axes need no correction.
    static constexpr double kLimitPixels = 4.0;

    GuidingCorrector(GuidingService& guiding, TelescopeWorker& telescope);
    GuidingCorrector(const GuidingCorrector&) = delete;
    GuidingCorrector& operator=(const GuidingCorrector&) = delete;

    // Told of every pulse as it is sent (the command line prints it); on the ticking thread.
    void SetPulseListener(std::function<void(const GuidingPulse&)> listener) { listener_ = std::move(listener); }

    // The station's 200 ms step.
    void Tick();

private:
    void Look();
    void SendSteps();

    GuidingService& guiding_;
    TelescopeWorker& telescope_;
    std::function<void(const GuidingPulse&)> listener_;
    int ticks_ = 0;
};

}  // namespace orva
