// Feeds arbitrary pixels to the timing-record parser. The first four bytes choose the
// frame's width (including widths too narrow for a record), its height and the kept
// record start; the rest are the pixels, possibly fewer than width x height. The pixel
// buffer is exactly as long as the input provides, so any read outside it is caught.
// Every input must end in a valid or invalid record, never in a crash or a read outside.

#include "processing/OverlayText.h"
#include "processing/ParseBinaryOverlay.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int width = 120 + (data[0] | data[1] << 8) % 200;
    const int height = 1 + data[2] % 4;
    orva::BinaryOverlay overlay;
    overlay.RecordStart = static_cast<int8_t>(data[3]);

    std::vector<uint16_t> pixels((size - 4) / 2);
    if (!pixels.empty()) std::memcpy(pixels.data(), data + 4, pixels.size() * 2);

    // Twice, so the second parse starts from the start the first one kept.
    for (int pass = 0; pass < 2; ++pass) {
        orva::ParseBinaryOverlay(overlay, pixels, width, height);
        if (overlay.Valid) {
            if (overlay.RecordStart < -2 || overlay.RecordStart > width - 128) __builtin_trap();
            if (orva::FormatOverlayText(overlay).size() > 255) __builtin_trap();
        }
    }
    return 0;
}
