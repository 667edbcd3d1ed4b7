#include "processing/CameraStatusFromOverlay.h"

namespace orva {

OverlayStatusFields OverlayStatusFieldsOf(const BinaryOverlay& o) {
    OverlayStatusFields f;
    f.statusWord0 = o.StatusWord0;
    f.statusWord1 = o.StatusWord1;
    f.statusWord2 = o.StatusWord2;
    f.statusWord3 = o.StatusWord3;
    f.modeValue = o.ModeValue;
    f.highGain = o.HighGain;
    f.binningX = o.BinningX;
    f.binningY = o.BinningY;
    f.latitude = o.Lat;
    f.longitude = o.Lon;
    f.heightMm = o.HeightMm;
    f.accuracyM = o.AccuracyM;
    f.fixState = o.FixState;
    f.satellites = o.NofSats;
    f.timeFlag = o.TimeFlag;
    f.temperature = o.Temperature;
    f.dopTime = o.DOPTime;
    f.dop = {o.DOPG, o.DOPP, o.DOPT, o.DOPV, o.DOPH};
    return f;
}

std::array<uint16_t, 8> CalendarFields(const CalendarTime& t) {
    return {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds};
}

void UpdateCameraStatus(CameraStatusCache& status, const BinaryOverlay& overlay) {
    status.DecodeFrame(OverlayStatusFieldsOf(overlay), CalendarFields(overlay.FromTime));
}

}  // namespace orva
