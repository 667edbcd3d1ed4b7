#pragma once
// The values a recording's FITS headers carry: those that are the same for every image
// of a recording, and those that come from each frame's timing record.
//
// Pure functions (WriteFitsFileDynamicHeader logs); any thread.

#include "camera/BinaryOverlay.h"
#include "recording/FitsHeaderData.h"
#include "recording/RecordingNames.h"

#include <string>

namespace orva {

// NAXIS1, NAXIS2, BITPIX 16 (every image is written with 16-bit samples), TELESCOP,
// OBSERVER and INSTRUME when known, and OBJECT (an empty name gives no OBJECT card).
void FillFitsHeader(FitsHeaderData& header, int width, int height, const RecordingNames& names,
                    const std::string& objectName);

// DATE-OBS (exposure start, UTC, with milliseconds) and EXPTIME ("%d.%09d" seconds).
void SetFitsExposureValues(FitsHeaderData& header, const BinaryOverlay& overlay);

// The single-image values: DATE-OBS, EXPTIME, and CCD-TEMP when the camera reported a
// temperature. With an invalid record nothing is set and a warning is logged.
void WriteFitsFileDynamicHeader(FitsHeaderData& header, const BinaryOverlay& overlay);

}  // namespace orva
