#pragma once
// The zones: regions of interest the observer marks on the picture in blocks of 64 x 64
// pixels, drawn in the live view and recorded beside the full frame. Keeps the selected
// blocks, the rectangles rebuilt from them after every change, and the enabled and
// editing switches.
//
// Threads: GUI thread only. The frame path never reads this object: it gets a snapshot
// of the blocks (Snapshot) after every change, so a block being toggled is never read
// half-way.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace orva {

// Bit c of row r (bit c mod 32 of word c / 32) selects the block whose top-left pixel
// is (64 c, 64 r).
struct ZoneBlocks {
    static constexpr int kBlockSize = 64;
    static constexpr int kRows = 64;
    static constexpr int kColumns = 64;
    std::array<std::array<uint32_t, 2>, kRows> rows{};

    bool IsSelected(int column, int row) const {
        if (column < 0 || row < 0 || column >= kColumns || row >= kRows) return false;
        return (rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column / 32)] >> (column % 32) & 1u) != 0;
    }
    void Toggle(int column, int row) {
        rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column / 32)] ^= 1u << (column % 32);
    }
};

struct ZoneRectangle {
    int16_t left = 0;
    int16_t top = 0;
    int16_t width = 0;
    int16_t height = 0;
    bool operator==(const ZoneRectangle&) const = default;
};

class ZoneMatrix {
public:
    virtual ~ZoneMatrix() = default;

    // Logs "I zones enabled" or "I zones disabled".
    void Enable(bool on);
    bool IsEnabled() const { return enabled_ != 0; }
    // Switching editing off logs the saved list, one line per rectangle.
    void SetEditing(bool on);
    bool IsEditing() const { return editing_ != 0; }
    // Toggles the block under the picture pixel; false outside the matrix.
    bool ToggleAt(int x, int y);
    void ToggleBlock(int column, int row);
    void Clear();

    const ZoneBlocks& Blocks() const { return blocks_; }
    // The rectangles while zones are enabled, none otherwise.
    std::vector<ZoneRectangle> Rectangles() const;
    // The frame path's copy: the blocks while zones are enabled, null otherwise.
    std::shared_ptr<const ZoneBlocks> Snapshot() const;

private:
    void RebuildRectangles();

    ZoneBlocks blocks_;
    std::vector<ZoneRectangle> rectangles_;
    int32_t enabled_ = 0;
    int32_t editing_ = 0;
};

}  // namespace orva
