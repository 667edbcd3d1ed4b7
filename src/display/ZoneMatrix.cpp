#include "display/ZoneMatrix.h"

#include "common/Log.h"

#include <optional>

namespace orva {

void ZoneMatrix::Enable(bool on) {
    enabled_ = on ? 1 : 0;
    LogMessage(on ? "I zones enabled" : "I zones disabled");
}

void ZoneMatrix::SetEditing(bool on) {
    const bool wasEditing = editing_ != 0;
    editing_ = on ? 1 : 0;
    if (on || !wasEditing) return;
    LogMessage("I new zone list saved");
    int number = 1;
    for (const auto& r : rectangles_) {
        LogMessage(FormatValueMessage("I zone %d: (%d,%d), w=%d, h=%d", number++, r.left, r.top, r.width, r.height));
    }
}

bool ZoneMatrix::ToggleAt(int x, int y) {
    if (x < 0 || y < 0) return false;
    const int column = x / ZoneBlocks::kBlockSize;
    const int row = y / ZoneBlocks::kBlockSize;
    if (column >= ZoneBlocks::kColumns || row >= ZoneBlocks::kRows) return false;
    ToggleBlock(column, row);
    return true;
}

void ZoneMatrix::ToggleBlock(int column, int row) {
    blocks_.Toggle(column, row);
    RebuildRectangles();
}

void ZoneMatrix::Clear() {
    blocks_ = ZoneBlocks{};
    RebuildRectangles();
}

std::vector<ZoneRectangle> ZoneMatrix::Rectangles() const {
    return enabled_ != 0 ? rectangles_ : std::vector<ZoneRectangle>{};
}

std::shared_ptr<const ZoneBlocks> ZoneMatrix::Snapshot() const {
    return enabled_ != 0 ? std::make_shared<const ZoneBlocks>(blocks_) : nullptr;
}

void ZoneMatrix::RebuildRectangles() {
    constexpr int kSize = ZoneBlocks::kBlockSize;
    rectangles_.clear();
    for (int r = 0; r < ZoneBlocks::kRows; ++r) {
        std::optional<ZoneRectangle> open;
        // One column past the matrix closes a run that reaches its right edge.
        for (int c = 0; c <= ZoneBlocks::kColumns; ++c) {
            if (blocks_.IsSelected(c, r)) {
                if (open) {
                    open->width = static_cast<int16_t>(open->width + kSize);
                } else {
                    open = ZoneRectangle{static_cast<int16_t>(c * kSize), static_cast<int16_t>(r * kSize),
                                         static_cast<int16_t>(kSize), static_cast<int16_t>(kSize)};
                }
                for (auto& above : rectangles_) {
                    if (above.left == open->left && above.width == open->width &&
                        above.top + above.height == open->top) {
                        above.height = static_cast<int16_t>(above.height + kSize);
                        open.reset();
                        break;
                    }
                }
            } else if (open) {
                rectangles_.push_back(*open);
                open.reset();
            }
        }
    }
}

}  // namespace orva
