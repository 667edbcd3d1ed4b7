#pragma once
// Finds the brightest star of a picture, where guiding can take it as its target: the
// place whose eight neighbours are brightest together (a hot pixel, bright alone, does
// not count), at least `radius` + 1 pixels from every edge so that the guiding box fits
// the picture. It is a star only when those neighbours stand clearly out of the
// background's noise.
//
// Pixel code over one buffer; any thread.

#include <cstdint>
#include <optional>

namespace orva {

struct StarPosition {
    int column = 0;
    int row = 0;
    bool operator==(const StarPosition&) const = default;
};

class BrightestStar {
public:
    // How many of the background's standard deviations the neighbours' mean must lie above
    // the background.
    static constexpr double kSignificance = 5.0;

    // `pixels`: width x height, row by row. The star's brightest pixel; nothing when the
    // picture is too small for the box or no star stands out.
    static std::optional<StarPosition> Find(const uint16_t* pixels, int width, int height, int radius);
    // The same, searched only within `radius` pixels of (column, row) on both axes (the
    // guiding box round a click), the background measured there too.
    static std::optional<StarPosition> FindNear(const uint16_t* pixels, int width, int height, int radius, int column,
                                                int row);

private:
    // Columns and rows searched, inclusive.
    struct Area {
        int firstColumn, lastColumn, firstRow, lastRow;
    };
    static std::optional<StarPosition> FindIn(const uint16_t* pixels, int width, const Area& area);
};

}  // namespace orva
