#pragma once
// One predicted occultation event and everything later learned about its observation
// (recording, camera, GPS position, D and R times, weather, equipment). A plain record:
// once added, the event store owns it and says which thread may touch it.

#include <cstdint>
#include <string>

namespace orva {

// The store's handle of an event: stays the same for the event's life in the store, also
// across a change of the shown days, so dialogs and a running recording can hold it.
// 0 is no event.
using OwEventId = uint64_t;

struct OwEvent {
    OwEventId id = 0;  // given by the store; never stored in a file

    uint64_t EventTime = 0;  // 100-ns ticks since 0001-01-01 UTC; 0 is "no time"
    // Whole seconds from now to EventTime, recomputed each second; never stored.
    int64_t SecondsToEvent = 0;
    double EventMaxDurationSec = 0.0;
    double ErrorInTimeSec = 0.0;
    double Probability = 0.0;
    std::string AsteroidName;
    double AsteroidMag = 0.0;
    std::string StarName;
    double StarMag = 0.0;
    double CombinedMag = 0.0;
    double MagDrop = 0.0;
    double StarRaHours = 0.0;
    double StarDecDegrees = 0.0;
    uint64_t OwEventInfoVersion = 0;  // creators set 1; 2 or more: FeedName..TravelDistance carry data
    std::string FeedName;
    double AsteroidDiameter = 0.0;
    double MoonDistance = 0.0;
    double MoonAltitude = 0.0;
    double MoonSunLit = 0.0;
    double StarAzimut = 0.0;
    double StarAltitude = 0.0;
    std::string StarConstellation;
    double DistanceFromCenterLine = 0.0;
    double DistancePathN = 0.0;
    double DistancePathS = 0.0;
    double PathWidth = 0.0;
    int32_t ChordOffset = 0;
    double TravelDistance = 0.0;
    int32_t RecordingStartTimestamp_valid = 0;
    uint64_t RecordingStartTimestamp_ms = 0;
    uint32_t RecordingStartTimestamp_acc_ms = 9999;
    int32_t RecordingEndTimestamp_valid = 0;
    uint64_t RecordingEndTimestamp_ms = 0;
    uint32_t RecordingEndTimestamp_acc_ms = 9999;
    int32_t RecordingGpsPrecision_m = 0;
    std::string RecordingFormat;
    std::string CameraGainDb;
    std::string CameraModelName;
    std::string CameraSerialNr;
    std::string CameraSensorName;
    std::string CameraExposureTime;
    std::string CameraBinning;
    std::string CameraWh;
    int32_t RecordingGpsAvgLatE7 = 0;
    int32_t RecordingGpsAvgLonE7 = 0;
    int32_t RecordingGpsAvgHeight_m = 0;
    uint32_t RecordingGpsNofAveragedValues = 0;
    std::string DType = " ";
    std::string RType = " ";
    int32_t DTimestamp_valid = 0;
    uint64_t DTimestamp_ms = 0;
    uint32_t DTimestamp_acc_ms = 0;
    int32_t RTimestamp_valid = 0;
    uint64_t RTimestamp_ms = 0;
    uint32_t RTimestamp_acc_ms = 0;
    double RecordingSNR = -9999.0;
    double RecordingWindBft = -9999.0;
    double RecordingTempC = -9999.0;
    std::string RecordingTransparency = " ";
    std::string RecordingSeeing = " ";
    std::string RecordingComment1;
    std::string RecordingComment2;
    std::string RecordingObserver;
    std::string RecordingObservingSite;
    std::string RecordingInstrument;
    std::string RecordingMount;
    uint64_t SourceOccultXml = 0;

    // "<AsteroidName> occ. <StarName>", or StarName alone without an asteroid name.
    std::string GetTitle() const;
    // The same event: same asteroid, same star (exact) and same time.
    bool SameEventAs(const OwEvent& other) const;
};

}  // namespace orva
