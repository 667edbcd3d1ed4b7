#pragma once
// The live view's part in guiding. While the guiding record waits for its target, a left
// click on the picture chooses it: the click must lie more than the tracking radius from
// every edge (the box must fit the picture), and it snaps to the brightest star in the
// box round the click (BrightestStar, as the command line picks its star) when the
// picture's raw pixels are at hand and a star stands out there, else the clicked pixel
// itself is the target. It also tells what the view draws of guiding: the tracking box
// round the target and a cross through the measured centroid.
//
// Threads: GUI thread; the guiding record's fields are atomic (see GuidingService).

#include "display/DisplayPicture.h"
#include "display/ViewGeometry.h"

#include <optional>

namespace orva {

class GuidingService;

class LiveViewGuiding {
public:
    // What the view draws, in view coordinates.
    struct Overlay {
        ViewGeometry::Rect box;  // the tracking box round the target
        // The measured centroid; none before the frame path measured one.
        std::optional<ViewGeometry::Point> centroid;
        bool active = false;  // guiding corrects (drawn green)
    };

    explicit LiveViewGuiding(GuidingService& guiding) : guiding_(guiding) {}

    // A click is awaited: the view keeps the raw pixels with its pictures meanwhile.
    bool Selecting() const;
    // A left click on pixel (column, row) of the shown picture. True when it chose the
    // target (selecting ends); false when it was not for guiding or lay too near an edge.
    bool OnClick(const DisplayPicture& picture, int column, int row);
    // Nothing while there is no target or no picture.
    std::optional<Overlay> Shape(const ViewGeometry& geometry) const;

private:
    GuidingService& guiding_;
};

}  // namespace orva
