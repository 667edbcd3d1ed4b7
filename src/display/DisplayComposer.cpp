#include "display/DisplayComposer.h"

#include <algorithm>
#include <cstring>

namespace orva {
namespace {

constexpr int kZoneBorder = 2;
constexpr int kPcTimeRows = 16;

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return DisplayStretch::kOpaque | r << 16 | g << 8 | b; }

uint32_t Grey(uint16_t u) { return DisplayStretch::kOpaque | static_cast<uint32_t>(u >> 8) * 0x010101u; }

void RawGreyRow(const uint16_t* in, uint32_t* out, int count) {
    for (int x = 0; x < count; ++x) out[x] = Grey(in[x]);
}

// A selected block's pixel near an edge shared with an unselected block (or the
// picture's left or top edge) is a border pixel.
bool IsZoneBorder(const ZoneBlocks& zones, int x, int y) {
    constexpr int kSize = ZoneBlocks::kBlockSize;
    const int c = x / kSize;
    const int r = y / kSize;
    const int dx = x % kSize;
    const int dy = y % kSize;
    if (dx < kZoneBorder && (c == 0 || !zones.IsSelected(c - 1, r))) return true;
    if (dy < kZoneBorder && (r == 0 || !zones.IsSelected(c, r - 1))) return true;
    if (dx >= kSize - kZoneBorder && !zones.IsSelected(c + 1, r)) return true;
    if (dy >= kSize - kZoneBorder && !zones.IsSelected(c, r + 1)) return true;
    return false;
}

void ZoneRow(uint32_t* out, int first, int width, int y, const ZoneBlocks& zones) {
    for (int x = first; x < width; ++x) {
        const uint32_t g = out[x] & 0xFF;
        const uint32_t bright = std::min<uint32_t>(2 * g, 255);
        if (!zones.IsSelected(x / ZoneBlocks::kBlockSize, y / ZoneBlocks::kBlockSize)) {
            out[x] = Rgb(bright, g / 2, g / 2);
        } else if (IsZoneBorder(zones, x, y)) {
            out[x] = Rgb(g / 2, bright, g / 2);
        }
    }
}

void OverflowRow(const uint16_t* in, uint32_t* out, int first, int width, bool clipOnOverflow) {
    for (int x = first; x < width; ++x) {
        const int u = in[x];
        if (!clipOnOverflow) {
            if (u >= DisplayComposer::kRedAbove) {
                out[x] &= 0xFFFF0000u;
            } else if (u >= DisplayComposer::kYellowAbove) {
                out[x] &= 0xFFFFFF00u;
            }
        } else if (u <= DisplayComposer::kRedBelow) {
            out[x] |= 0x00FF0000u;
        } else if (u <= DisplayComposer::kYellowBelow) {
            out[x] |= 0x00FFFF00u;
        }
    }
}

}  // namespace

int DisplayComposer::ExcludedBottomRows(const CameraStatus* status, int width, int height) {
    if (status != nullptr && status->overlayMode == 0) return 1;
    if (width == 176 && height == 128) return 8;
    return 16;
}

int DisplayComposer::ExcludedLeftColumns(const CameraStatus* status) {
    return status != nullptr && (status->ppsMarker != 0 || status->statusFlagA != 0) ? 8 : 0;
}

void DisplayComposer::Compose(const DisplayFrame& frame, const ComposeInputs& inputs, uint32_t* picture,
                              uint64_t* histogram, LineProfile& profile) {
    const int width = frame.width;
    const int height = frame.height;
    const uint32_t* table = inputs.table->data();
    std::memset(histogram, 0, DisplayStretch::kBins * sizeof(uint64_t));
    profile.values.fill(0);
    profile.captured = false;

    const int m = std::min(height, ExcludedBottomRows(frame.status, width, height));
    const int k = std::min(width, ExcludedLeftColumns(frame.status));
    const int stretchedRows = height - m;
    const int histogramEnd = height - kHistogramBottomRows;
    for (int y = 0; y < stretchedRows; ++y) {
        const uint16_t* in = frame.pixels + static_cast<std::ptrdiff_t>(y) * width;
        uint32_t* out = picture + static_cast<std::ptrdiff_t>(y) * width;
        RawGreyRow(in, out, k);
        if (y >= kHistogramFirstRow && y < histogramEnd) {
            for (int x = k; x < width; ++x) {
                const uint16_t u = in[x];
                ++histogram[u >> 6];
                out[x] = table[u];
            }
        } else {
            for (int x = k; x < width; ++x) out[x] = table[in[x]];
        }
        if (inputs.zones != nullptr) {
            ZoneRow(out, k, width, y, *inputs.zones);
        } else if (frame.showOverflow) {
            // The burnt-in PC time is never marked.
            const int first = y < kPcTimeRows ? std::max(k, frame.pcTimeColumns) : k;
            OverflowRow(in, out, first, width, frame.clipOnOverflow);
        }
        if (y == inputs.profileY) {
            for (int i = 0; i < LineProfile::kLength; ++i) {
                const int x = inputs.profileX - LineProfile::kHalfWidth + i;
                if (x < k || x >= width) continue;
                profile.values[static_cast<std::size_t>(i)] = frame.eightBit ? in[x] >> 8 : in[x];
                profile.captured = true;
            }
        }
    }
    for (int y = std::max(stretchedRows, 0); y < height; ++y) {
        RawGreyRow(frame.pixels + static_cast<std::ptrdiff_t>(y) * width, picture + static_cast<std::ptrdiff_t>(y) * width,
                   width);
    }
}

}  // namespace orva
