#pragma once
// The station's own bitmap font for text burnt into frames: 8 x 16 pixel cells, one byte
// per cell row, most significant bit leftmost, for the characters 32..155. Characters
// 32..126 are drawn from 5 x 7 glyphs doubled in height; 127..155 show an empty box.
//
// Constant data; any thread.

#include <cstdint>
#include <span>

namespace orva {

class BitmapFont8x16 {
public:
    static constexpr int kCellWidth = 8;
    static constexpr int kCellHeight = 16;
    static constexpr int kFirstCharacter = 32;
    static constexpr int kLastCharacter = 155;

    // The cell of a character; characters outside 32..155 get the cell of '?'.
    static std::span<const uint8_t, kCellHeight> Glyph(unsigned char c);
};

}  // namespace orva
