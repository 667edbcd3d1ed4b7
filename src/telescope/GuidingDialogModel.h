#pragma once
// CDlgGuiding's logic without widgets: the tracking-zone sizes, the "up" and "right"
// direction lists, the Select / Start / Stop / Reset buttons and the once-a-second
// comparison of the star's centroid with the centre of its box, which requests one
// correction step per axis on the GuidingService. The view forwards its events and shows
// Controls(); its 200-ms timer calls Tick while TimerRunning().
//
// The stored directions are applied to the service when guiding starts, so what the
// lists show is what guiding does.
//
// Threads: GUI thread only.

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
    void Tick();
    bool TimerRunning() const { return timerRunning_; }
    GuidingControls Controls() const;

private:
    void ApplyDirections();

    Settings& settings_;
    GuidingService& guiding_;
    int up_ = 3;
    int right_ = 1;
    int ticks_ = 0;
    bool timerRunning_ = false;
};

}  // namespace orva
