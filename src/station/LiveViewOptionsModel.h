#pragma once
// The live view's options on the camera panel, without their widgets: the preview mode
// ("Scale to fit", "Aspect fit", "Aspect scale"), the zoom of the aspect-scale mode, the
// crosshair and the overflow marks. Each change is logged where the station logs it,
// stored at once and kept from one run to the next; the View menu's zoom and crosshair
// commands go through here too, so that the menu, the panel and the view never disagree.
//
//   Load()            -> the stored options, each applied (start of the window)
//   a control changed -> stored, saved, and onViewChanged tells the view to follow
//
// Threads: GUI thread only (the station's thread).

#include <array>
#include <functional>
#include <string>

namespace orva {

class Station;

class LiveViewOptionsModel {
public:
    enum class EditResult { Applied, Replaced };  // Replaced: the text was out of range
    static constexpr std::array<const char*, 3> kPreviewModeTexts{"Scale to fit", "Aspect fit", "Aspect scale"};
    static constexpr int kAspectScale = 2;
    static constexpr std::array<int, 9> kZoomPercents{50, 75, 100, 150, 200, 300, 400, 600, 800};
    static constexpr int kMinZoom = 25;
    static constexpr int kMaxZoom = 800;
    static constexpr int kDefaultZoom = 100;

    explicit LiveViewOptionsModel(Station& station);

    // The stored options; the view is told once.
    void Load();

    int PreviewMode() const { return previewMode_; }
    int ZoomPercent() const { return zoomPercent_; }
    std::string ZoomText() const;
    bool ZoomEnabled() const { return previewMode_ == kAspectScale; }
    bool Crosshair() const { return crosshair_; }
    bool Overflow() const { return overflow_; }

    // The preview mode list; an index outside the list is taken as the first mode.
    void SelectPreviewMode(int index);
    // "Toggle zoom (fit / scale)": aspect scale goes to aspect fit, the others to aspect scale.
    void TogglePreviewMode();
    // The zoom box's text: "%" is appended when missing; outside 25..800 % the zoom
    // becomes 100 %.
    EditResult EnterZoom(const std::string& text);
    // The zoom list's entries one step in (+1) or out (-1) from the current zoom.
    void StepZoom(int direction);
    void SetCrosshair(bool on);
    void SetOverflow(bool on);

    // The view follows the mode, the zoom and the crosshair.
    std::function<void()> onViewChanged;

private:
    void ApplyZoom(int percent);
    void ViewChanged();

    Station& station_;
    int previewMode_ = 0;
    int zoomPercent_ = kDefaultZoom;
    bool crosshair_ = false;
    bool overflow_ = false;
};

}  // namespace orva
