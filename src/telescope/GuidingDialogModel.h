#pragma once
// CDlgGuiding's logic without widgets: the tracking-zone sizes, the "up" and "right"
// direction lists and the Select / Start / Stop / Reset buttons, over the GuidingService.
// The corrections themselves are the station's (GuidingCorrector), so guiding goes on
// with the window hidden or never made. The view forwards its events and shows
// Controls(); its 200-ms timer calls Tick while TimerRunning().
//
// The stored directions are applied to the service when guiding starts, so what the
// lists show is what guiding does.
//
// Threads: GUI thread only.

#include "telescope/GuidingDirections.h"

#include <array>
#include <string>
#include <vector>

namespace orva {

class GuidingService;
class Settings;

struct GuidingControls {
    bool selectEnabled = true;
    bool sizeEnabled = true;
    bool directionsEnabled = true;
    bool startEnabled = true;
    bool stopEnabled = false;
    std::string targetText;
    std::string offsetsText;
    // "Correction push (ms):", always disabled: the length of one correction as it goes to
    // the mount.
    std::string correctionPushText;
    int sizeIndex = 0;
    int up = 3;
    int right = 1;
};

class GuidingDialogModel {
public:
    static constexpr std::array<const char*, 4> kDirections = {"RA +", "RA -", "DEC +", "DEC -"};

    GuidingDialogModel(Settings& settings, GuidingService& guiding);

    // "%d x %d" for the sides 32 to 72.
    static std::vector<std::string> SizeEntries();
    void Initialise();

    void OnSizeChange(int index);
    void OnUpChange(int up);
    void OnRightChange(int right);
    void Select();
    void Start();
    void Stop();
    void Reset();
    // Stops the timer once there is neither a target nor one being chosen.
    void Tick();
    bool TimerRunning() const { return timerRunning_; }
    GuidingControls Controls() const;

private:
    Settings& settings_;
    GuidingService& guiding_;
    GuidingDirections directions_;
    bool timerRunning_ = false;
};

}  // namespace orva
