#include "recording/FitsHeaderValues.h"

#include "common/Log.h"
#include "processing/OverlayText.h"

#include <cstdio>

namespace orva {

void FillFitsHeader(FitsHeaderData& header, int width, int height, const RecordingNames& names,
                    const std::string& objectName) {
    header.SetNaxis1(width);
    header.SetNaxis2(height);
    header.SetBitpix(16);
    if (!names.telescope.empty()) header.SetTelescop(names.telescope);
    if (!names.observer.empty()) header.SetObserver(names.observer);
    if (!names.camera.empty()) header.SetInstrume(names.camera);
    header.SetObject(objectName);
}

void SetFitsExposureValues(FitsHeaderData& header, const BinaryOverlay& overlay) {
    header.SetValue("DATE-OBS", FormatOverlayTime(overlay.FromTime));
    char exposure[32];
    std::snprintf(exposure, sizeof(exposure), "%d.%09u", overlay.ExposureSec, overlay.ExposureNs);
    header.SetValue("EXPTIME", exposure);
}

void WriteFitsFileDynamicHeader(FitsHeaderData& header, const BinaryOverlay& overlay) {
    if (!overlay.Valid) {
        LogMessage("W WriteFitsFileDynamicHeader: skipping, binary overlay is invalid!");
        return;
    }
    SetFitsExposureValues(header, overlay);
    const uint16_t word = overlay.Temperature;
    if ((word & 0x0001u) == 0) return;  // no reading
    const int magnitude = (word >> 8) & 0x7F;
    const int celsius = (word & 0x8000u) != 0 ? -magnitude : magnitude;
    char temperature[16];
    std::snprintf(temperature, sizeof(temperature), "%d.0", celsius);
    header.SetValue("CCD-TEMP", temperature);
}

}  // namespace orva
