#include "display/LiveViewGuiding.h"

#include "common/Log.h"
#include "processing/BrightestStar.h"
#include "processing/GuidingService.h"


namespace orva {

bool LiveViewGuiding::Selecting() const { return guiding_.selecting.load(); }

bool LiveViewGuiding::OnClick(const DisplayPicture& picture, int column, int row) {
    if (!guiding_.selecting.load()) return false;
    const int r = guiding_.radius.load();
    if (column <= r || row <= r || column >= picture.width - 1 - r || row >= picture.height - 1 - r) return false;
    StarPosition target{column, row};
    // Raw pixels of another size belong to an older mode: the click alone counts then.
    if (picture.raw.size() == static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        if (const auto star = BrightestStar::FindNear(picture.raw.data(), picture.width, picture.height, r, column, row)) {
            target = *star;
        }
    }
    guiding_.SetTarget(target.column, target.row);
    guiding_.selecting = false;
    LogMessageInt2("I Guiding target selected", target.column, target.row);
    return true;
}

std::optional<LiveViewGuiding::Overlay> LiveViewGuiding::Shape(const ViewGeometry& geometry) const {
    const auto [x, y] = guiding_.Target();
    if (x == 0 && y == 0) return std::nullopt;
    const double r = guiding_.radius.load();
    const auto topLeft = geometry.ViewPointOf(x - r, y - r);
    const auto bottomRight = geometry.ViewPointOf(x + r, y + r);
    if (!topLeft || !bottomRight) return std::nullopt;
    Overlay o;
    o.box = {topLeft->x, topLeft->y, bottomRight->x - topLeft->x, bottomRight->y - topLeft->y};
    // The frame path writes the centroid only once it measured the star (never (0, 0)).
    const auto [cx, cy] = guiding_.Centroid();
    if (cx != 0.0 || cy != 0.0) o.centroid = geometry.ViewPointOf(x - r + cx + 0.5, y - r + cy + 0.5);
    o.active = guiding_.active.load();
    return o;
}

}  // namespace orva
