#pragma once
// The display stretch: how a 16-bit pixel becomes a screen grey value. Builds the
// 65 536-entry lookup table and the 65-entry curve from the background, white and midtone
// levels, and finds automatic levels in a histogram.
//
// Pure functions over caller-owned tables; any thread.

#include <array>
#include <cstdint>
#include <optional>

namespace orva {

struct StretchLevels {
    int background = 0;       // B: at and below, black
    int white = 65535;        // W: at and above, white
    int midtone = 32767;      // G: the curve's shape between B and W
    int midtoneMax = 65535;   // Gmax
};

class DisplayStretch {
public:
    static constexpr int kTableSize = 65536;
    static constexpr int kCurveSize = 65;
    static constexpr int kBins = 1024;
    // Opaque grey: the alpha byte is unused by the picture and set so that a drawing
    // layer can take the picture as it is.
    static constexpr uint32_t kOpaque = 0xFF000000u;

    using LookupTable = std::array<uint32_t, kTableSize>;
    // Entry 0 is 0; entry k + 1 is the display value of input 1024 k + 1023.
    using CurveTable = std::array<uint8_t, kCurveSize>;

    // The display value 0..255 of one input.
    static int DisplayValue(const StretchLevels& levels, int input);
    static void Build(const StretchLevels& levels, LookupTable& table, CurveTable& curve);

    // Background and white for a percentile p (100, 99.9, ...): half the excluded share
    // is cut at each end. Only the bins 1..1022 count (0 and 1023 are the clipped
    // extremes), also in the running sum, so many black pixels, as in a dark-subtracted
    // frame, do not collapse the white level. Nothing when those bins are all empty.
    struct Levels {
        int background = 0;
        int white = 65535;
    };
    static std::optional<Levels> AutoLevels(const uint64_t* bins, double percent);
    // Levels for a picture nobody has stretched: the background where the darkest tenth
    // of the pixels ends, so that the sky shows nearly black, and the white where the
    // brightest 1/2000 begins, so that stars stand out; at least kStarFieldSpan apart, so
    // that a flat picture is not cut into black and white.
    // Counted over the bins 1..1022 as AutoLevels counts. Nothing when those are empty.
    static constexpr int kStarFieldSpan = 1024;
    static std::optional<Levels> StarFieldLevels(const uint64_t* bins);

    // bin k's level: k x 65535 / 1023.
    static int BinLevel(int bin) { return bin * 65535 / 1023; }
};

}  // namespace orva
