#pragma once
// The sky coordinates the command line takes and prints: right ascension in hours
// ("hh:mm:ss.s" or decimal hours, 0 <= RA < 24) and declination in degrees ("+dd:mm:ss.s"
// or decimal degrees, -90..+90; the sign counts also at 0 degrees).
//
// Pure text handling; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace orva {

class CliCoordinates {
public:
    static std::optional<double> ParseRightAscensionHours(std::string_view text);
    static std::optional<double> ParseDeclinationDegrees(std::string_view text);
    // "RA 05h 35m 17.300s (5.588139 h)  Dec -05 23' 28.000\" (-5.391111 deg)"
    static std::string Format(double rightAscensionHours, double declinationDegrees);

private:
    // "a:b:c" (b and c 0..59.999) or a plain decimal number; the value of the first field
    // with the minutes and seconds added, and whether a "-" led it.
    static std::optional<double> ParseSexagesimal(std::string_view text, bool& negative);
};

}  // namespace orva
