#pragma once
// Where the picture lies in the view: "scale to fit" (the whole view, the picture
// stretched to it), "aspect fit" (the whole picture, its aspect kept, centred) or "aspect
// scale" (the zoom factor in percent, panned by the user), and the picture pixel under a
// view position.
//
// Plain value; GUI thread.

#include <optional>
#include <utility>

namespace orva {

class ViewGeometry {
public:
    // In the order of the preview mode list.
    enum class ZoomMode { ScaleToFit, AspectFit, AspectScale };
    static constexpr int kMinZoom = 10;
    static constexpr int kMaxZoom = 1000;

    struct Rect {
        double x = 0, y = 0, width = 0, height = 0;
    };
    struct Point {
        double x = 0, y = 0;
    };

    void SetViewSize(int width, int height) {
        viewWidth_ = width;
        viewHeight_ = height;
    }
    void SetPictureSize(int width, int height) {
        pictureWidth_ = width;
        pictureHeight_ = height;
    }
    ZoomMode Mode() const { return mode_; }
    void SetMode(ZoomMode mode) {
        mode_ = mode;
        ClampPan();
    }
    // Between aspect fit and aspect scale; scale to fit goes to aspect scale.
    void ToggleZoomMode() { SetMode(mode_ == ZoomMode::AspectScale ? ZoomMode::AspectFit : ZoomMode::AspectScale); }
    int ZoomPercent() const { return zoomPercent_; }
    // Clamped to 10..1000 %.
    void SetZoomPercent(int percent);
    // Moves the picture by view pixels (aspect scale only); the picture never leaves the view.
    void Pan(double dx, double dy);
    void ResetPan() { panX_ = panY_ = 0; }

    // The picture's rectangle in view coordinates; empty without a picture.
    Rect PictureRect() const;
    // The picture pixel under a view position; nothing outside the picture.
    std::optional<std::pair<int, int>> PixelAt(double x, double y) const;
    // The view position of a place in the picture, in pixels from the picture's top-left
    // corner (a pixel's centre lies at column + 0.5, row + 0.5); nothing without a picture.
    std::optional<Point> ViewPointOf(double column, double row) const;

private:
    void ClampPan();

    int viewWidth_ = 0, viewHeight_ = 0;
    int pictureWidth_ = 0, pictureHeight_ = 0;
    ZoomMode mode_ = ZoomMode::AspectFit;
    int zoomPercent_ = 100;
    double panX_ = 0, panY_ = 0;
};

}  // namespace orva
