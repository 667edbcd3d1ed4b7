#pragma once
// The window colours: the toolkit's usual ones by day, dark red on black at night
// (View > Night vision), which keeps the observer's eyes dark-adapted.

#include <QPalette>

namespace orva {

class NightPalette {
public:
    static QPalette Palette();
    static QPalette DayPalette();
};

}  // namespace orva
