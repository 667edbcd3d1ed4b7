#pragma once
// The histogram control without its window: the live histogram's copy with its total
// and scale, the three stretch handles (background, white, midtone) and their mouse
// rules, automatic and mirrored levels, and the lookup table they give, published to
// the frame path after every change.
//
// Until the user sets levels, the histograms stretch the picture by themselves
// (DisplayStretch::StarFieldLevels), so that the first stream shows stars rather than a
// nearly black picture over the full range: the first histogram with pixels sets the
// levels, and a later one only when the picture has changed much (the black level,
// exposure or gain set after the first frames), so the stretch stays still while the
// sky does. Levels the user set (handles, wheel, percentile buttons, the start option)
// are never overridden.
//
// Threads: GUI thread only. The table reaches the frame path through the slot.

#include "display/CHistogramDragger.h"
#include "display/DisplayStretch.h"
#include "display/LookupTableSlot.h"

#include <array>
#include <cstdint>
#include <string>

namespace orva {

class ThreadSafeDoubleBuffer;

class HistogramControlModel {
public:
    static constexpr const char* kToolTip =
        "Click with the mouse to define the background level.\nRight- or shift-click to define the range.";
    // Bins 1023 above this count mark the graph's right border.
    static constexpr uint64_t kTopBinWarning = 100;
    // Rows left free above the tallest bar.
    static constexpr int kHeadroom = 15;

    struct PercentileButton {
        const char* label;
        double percent;
    };
    // The "95" button stretches with 90 %.
    static constexpr std::array<PercentileButton, 4> kPercentileButtons = {
        {{"100", 100.0}, {"99.9", 99.9}, {"99", 99.0}, {"95", 90.0}}};

    enum class Button { Left, Right };

    // Who set the levels in force.
    enum class LevelsOrigin {
        Initial,    // nobody: the full range, until the first histogram
        Automatic,  // the histograms
        User,
    };

    explicit HistogramControlModel(LookupTableSlot& slot);

    // Lays the graph out in a control of this size; the handles' tracks follow.
    void SetSize(int width, int height);
    // The graph area: left, top, right, bottom (exclusive of the handles).
    int GraphLeft() const { return graphLeft_; }
    int GraphTop() const { return graphTop_; }
    int GraphRight() const { return graphRight_; }
    int GraphBottom() const { return graphBottom_; }

    // Takes a new histogram if the buffer has one; true when it did (repaint then). Sets
    // the levels from it while the user has not set them (see above).
    bool FetchHistogram(ThreadSafeDoubleBuffer& buffer);
    void SetHistogram(const uint64_t* bins);
    const std::array<uint64_t, DisplayStretch::kBins>& Bins() const { return bins_; }
    uint64_t Total() const { return total_; }
    uint64_t Largest() const { return largest_; }
    // The height of bin k's bar in a graph of this height (bins 0 and 1023 may exceed
    // the scale; they are cut at the height).
    int BarHeight(int bin, int graphHeight) const;
    bool TopBinOverflows() const { return bins_[DisplayStretch::kBins - 1] > kTopBinWarning; }

    // Mouse; true when a level changed (repaint then).
    bool MousePress(int x, int y, Button button, bool shift);
    bool MouseMove(int x, int y);
    void MouseRelease();

    // Levels from the histogram (the percentile buttons); false with an empty histogram.
    bool AutoStretch(double percent);
    void MirrorLevels(bool invert);
    // Sets both levels directly (clamped), the midtone kept: the user's levels.
    void SetLevels(int background, int white);
    LevelsOrigin Origin() const { return origin_; }
    // Rebuilds the lookup table and the curve from the handles and publishes the table.
    void UpdateLookupTable();

    const CHistogramDragger& Background() const { return background_; }
    const CHistogramDragger& White() const { return white_; }
    const CHistogramDragger& Midtone() const { return midtone_; }
    StretchLevels Levels() const;
    const DisplayStretch::CurveTable& Curve() const { return curve_; }
    // The current table (as published).
    const DisplayStretch::LookupTable& Table() const { return *table_; }
    // "%d - %d": background and white.
    std::string LevelsText() const;

private:
    void MoveBackground(int level);
    void MoveWhite(int level);
    void MoveMidtone(int level);
    void ApplyLevels(int background, int white);

    LookupTableSlot& slot_;
    CHistogramDragger background_;
    CHistogramDragger white_;
    CHistogramDragger midtone_;
    bool invert_ = false;
    LevelsOrigin origin_ = LevelsOrigin::Initial;
    std::array<uint64_t, DisplayStretch::kBins> bins_{};
    uint64_t total_ = 0;
    uint64_t largest_ = 0;
    DisplayStretch::CurveTable curve_{};
    std::shared_ptr<const DisplayStretch::LookupTable> table_;
    int graphLeft_ = 0, graphTop_ = 0, graphRight_ = 1, graphBottom_ = 1;
};

}  // namespace orva
