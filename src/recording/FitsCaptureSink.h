#pragma once
// A single FITS capture as the frame processor writes it: the FITS writer for the file,
// with the header values the recording side knows (the observer, instrument and camera
// names and the object) and those of the frame.
//
// Threads: made on the GUI thread, then used and destroyed by the frame processor's.

#include "processing/IFitsCaptureSink.h"
#include "recording/FitsWriter.h"
#include "recording/RecordingNames.h"

#include <string>

namespace orva {

class FitsCaptureSink final : public IFitsCaptureSink {
public:
    FitsCaptureSink(std::string fileName, RecordingNames names, std::string objectName);

    std::string GetFileName() const override { return writer_.GetFileName(); }
    void FillStaticHeader(int width, int height) override;
    void WriteDynamicHeader(const BinaryOverlay& overlay) override;
    void SetHeaderValue(const std::string& keyword, const std::string& value) override;
    void WriteFile(const uint16_t* pixels) override { writer_.WriteFile(pixels); }

private:
    FitsWriter writer_;
    RecordingNames names_;
    std::string objectName_;
};

}  // namespace orva
