#pragma once
// The ranges that the numbers of an event from outside (the event feed, an Occult file)
// must lie in before the event takes them. "nan", "inf" and values no prediction gives
// (1e300 km) are refused here, so nothing later formats, rounds or converts them to an
// integer. The limits are generous: they keep out nonsense, not unusual events.
//
// Plain values, any thread.

namespace orva {

struct EventNumberRange {
    double min;
    double max;

    // Finite and within [min, max]; NaN compares false both ways.
    constexpr bool Contains(double value) const { return value >= min && value <= max; }

    static const EventNumberRange kDurationSec;  // maximum duration, time error
    static const EventNumberRange kProbability;  // percent
    static const EventNumberRange kMagnitude;
    static const EventNumberRange kRaHours;
    static const EventNumberRange kDegreesSigned;  // declination, altitudes
    static const EventNumberRange kAzimuth;
    static const EventNumberRange kMoonDistance;  // degrees from the star
    static const EventNumberRange kPercent;
    static const EventNumberRange kDiameterKm;
    static const EventNumberRange kDistanceKm;  // signed: across the path, along it
    static const EventNumberRange kWidthKm;
};

inline constexpr EventNumberRange EventNumberRange::kDurationSec{0.0, 86400.0};
inline constexpr EventNumberRange EventNumberRange::kProbability{0.0, 100.0};
inline constexpr EventNumberRange EventNumberRange::kMagnitude{-30.0, 40.0};
inline constexpr EventNumberRange EventNumberRange::kRaHours{0.0, 24.0};
inline constexpr EventNumberRange EventNumberRange::kDegreesSigned{-90.0, 90.0};
inline constexpr EventNumberRange EventNumberRange::kAzimuth{0.0, 360.0};
inline constexpr EventNumberRange EventNumberRange::kMoonDistance{0.0, 180.0};
inline constexpr EventNumberRange EventNumberRange::kPercent{0.0, 100.0};
inline constexpr EventNumberRange EventNumberRange::kDiameterKm{0.0, 100000.0};
inline constexpr EventNumberRange EventNumberRange::kDistanceKm{-1000000.0, 1000000.0};
inline constexpr EventNumberRange EventNumberRange::kWidthKm{0.0, 1000000.0};

}  // namespace orva
