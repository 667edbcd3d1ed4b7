#pragma once
// What the frame processor needs to write one FITS capture file: the recording side
// implements it over its FITS writer and header producers, so the frame path reaches
// FITS files without depending on the recording library.
//
// Threads: created on the GUI thread and handed to the frame processor, which alone
// uses and destroys it from then on.

#include "camera/BinaryOverlay.h"

#include <cstdint>
#include <string>

namespace orva {

class IFitsCaptureSink {
public:
    virtual ~IFitsCaptureSink() = default;

    virtual std::string GetFileName() const = 0;
    // The values that are the same for every image of the camera: NAXIS1, NAXIS2,
    // BITPIX 16, and TELESCOP, OBSERVER, INSTRUME and OBJECT when known.
    virtual void FillStaticHeader(int width, int height) = 0;
    // DATE-OBS, EXPTIME and CCD-TEMP of the frame; with an invalid record none of them
    // (and the warning is logged).
    virtual void WriteDynamicHeader(const BinaryOverlay& overlay) = 0;
    virtual void SetHeaderValue(const std::string& keyword, const std::string& value) = 0;
    // Writes header and width x height pixels (top row first). Throws std::exception
    // with a message for the observer when the file cannot be written.
    virtual void WriteFile(const uint16_t* pixels) = 0;
};

}  // namespace orva
