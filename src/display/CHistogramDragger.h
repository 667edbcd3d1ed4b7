#pragma once
// One handle of the histogram control: a marker on a track that stands for a level
// 0..65535. Horizontal handles run along the bottom of the graph (left = 0), the
// vertical one along its right side (bottom = 0).
//
// Plain value; GUI thread.

namespace orva {

class CHistogramDragger {
public:
    enum class Orientation { Horizontal, Vertical };

    CHistogramDragger(Orientation orientation, int value, int handleWidth, int handleHeight)
        : orientation_(orientation), value_(value), handleWidth_(handleWidth), handleHeight_(handleHeight) {}

    void SetTrack(int x0, int y0, int x1, int y1);
    int X0() const { return x0_; }
    int Y0() const { return y0_; }
    int X1() const { return x1_; }
    int Y1() const { return y1_; }
    Orientation GetOrientation() const { return orientation_; }

    int Value() const { return value_; }
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    // Every setter clamps the value to the range.
    void SetValue(int value);
    void SetMinimum(int minimum);
    void SetMaximum(int maximum);

    bool IsDragging() const { return dragging_; }
    void SetDragging(bool on) { dragging_ = on; }

    // The level of a mouse position on the track, clamped to the range. A track of no
    // length keeps the value.
    int LevelAt(int x, int y) const;
    // The handle's position on its track (x for horizontal, y for vertical).
    int Position() const;
    // The handle's rectangle: left, top, width, height.
    struct Rect {
        int x, y, width, height;
        bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    };
    Rect HandleRect() const;

private:
    Orientation orientation_;
    int x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;
    int minimum_ = 0;
    int maximum_ = 65535;
    int value_;
    int handleWidth_;
    int handleHeight_;
    bool dragging_ = false;
};

}  // namespace orva
