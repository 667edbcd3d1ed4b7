#include "display/ViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace orva {

void ViewGeometry::SetZoomPercent(int percent) {
    zoomPercent_ = std::clamp(percent, kMinZoom, kMaxZoom);
    ClampPan();
}

void ViewGeometry::Pan(double dx, double dy) {
    if (mode_ != ZoomMode::AspectScale) return;
    panX_ += dx;
    panY_ += dy;
    ClampPan();
}

void ViewGeometry::ClampPan() {
    const double w = pictureWidth_ * zoomPercent_ / 100.0;
    const double h = pictureHeight_ * zoomPercent_ / 100.0;
    // Offsets from the centred position that keep the view covered (or the picture in view).
    const double limitX = std::abs(w - viewWidth_) / 2.0;
    const double limitY = std::abs(h - viewHeight_) / 2.0;
    panX_ = std::clamp(panX_, -limitX, limitX);
    panY_ = std::clamp(panY_, -limitY, limitY);
}

ViewGeometry::Rect ViewGeometry::PictureRect() const {
    if (pictureWidth_ <= 0 || pictureHeight_ <= 0 || viewWidth_ <= 0 || viewHeight_ <= 0) return {};
    double scale = zoomPercent_ / 100.0;
    double panX = panX_, panY = panY_;
    if (mode_ == ZoomMode::ScaleToFit) return {0, 0, static_cast<double>(viewWidth_), static_cast<double>(viewHeight_)};
    if (mode_ == ZoomMode::AspectFit) {
        scale = std::min(static_cast<double>(viewWidth_) / pictureWidth_,
                         static_cast<double>(viewHeight_) / pictureHeight_);
        panX = panY = 0;
    }
    const double w = pictureWidth_ * scale;
    const double h = pictureHeight_ * scale;
    // Whole pixels: the picture's pixels land on the screen's.
    return {std::floor((viewWidth_ - w) / 2.0 + panX), std::floor((viewHeight_ - h) / 2.0 + panY), w, h};
}

std::optional<std::pair<int, int>> ViewGeometry::PixelAt(double x, double y) const {
    const Rect r = PictureRect();
    if (r.width <= 0 || r.height <= 0) return std::nullopt;
    const double px = std::floor((x - r.x) * pictureWidth_ / r.width);
    const double py = std::floor((y - r.y) * pictureHeight_ / r.height);
    if (px < 0 || py < 0 || px >= pictureWidth_ || py >= pictureHeight_) return std::nullopt;
    return std::make_pair(static_cast<int>(px), static_cast<int>(py));
}

std::optional<ViewGeometry::Point> ViewGeometry::ViewPointOf(double column, double row) const {
    const Rect r = PictureRect();
    if (r.width <= 0 || r.height <= 0) return std::nullopt;
    return Point{r.x + column * r.width / pictureWidth_, r.y + row * r.height / pictureHeight_};
}

}  // namespace orva
