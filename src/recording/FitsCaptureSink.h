#pragma once
// A single FITS capture as the frame processor writes it: the FITS writer for the file,
// with the header values the recording side knows (the observer, instrument and camera
// names and the object) and those of the frame.
//
// The file name was claimed with an empty file (RecordingControl::PrepareCapturePath):
// the image replaces it whole once it is written and synced, and a capture that ends
// without an image (cancelled, failed) removes the claim again when the sink goes.
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
    ~FitsCaptureSink() override;
    FitsCaptureSink(const FitsCaptureSink&) = delete;
    FitsCaptureSink& operator=(const FitsCaptureSink&) = delete;

    std::string GetFileName() const override { return writer_.GetFileName(); }
    void FillStaticHeader(int width, int height) override;
    void WriteDynamicHeader(const BinaryOverlay& overlay) override;
    void SetHeaderValue(const std::string& keyword, const std::string& value) override;
    void WriteFile(const uint16_t* pixels) override;

private:
    FitsWriter writer_;
    RecordingNames names_;
    std::string objectName_;
    bool written_ = false;
};

}  // namespace orva
