#pragma once
// Records the camera stream as a series of FITS files, one per frame, named after a
// template whose "[FRAMENR]" becomes the frame's number in the recording ("%05d", from
// 00001). Each file carries the recording's names, DATE-OBS and EXPTIME.
//
// A frame whose file cannot be written is logged and skipped (its number stays unused);
// the recording goes on with the next frame. A full disk stops the recording as any
// failed write does (BaseWriter).
//
// A frame file is always a new file (an existing one of its name is not replaced: the
// frame is logged and skipped). The folder's file system is synced in the background and
// at the stop, instead of each file on the frame thread.
//
// Threads: as BaseWriter; each file is created, written and closed within one frame.

#include "recording/BaseWriter.h"

#include <string>

namespace orva {

class FitsSequenceWriter : public BaseWriter {
public:
    static constexpr const char* kFrameNumberPlaceholder = "[FRAMENR]";

    // "FITS Sequence 16-bit"
    std::string GetFormatDescription() const override;
    // Stores the template (a full path containing "[FRAMENR]") and the geometry; creates
    // no file. The template's folder is synced while recording.
    virtual bool OpenRecording(const std::string& fileNameTemplate, int width, int height, uint8_t bitDepth);

    // The template with every "[FRAMENR]" replaced by the frame number, "%05d".
    static std::string FrameFileName(const std::string& fileNameTemplate, int frameNumber);

protected:
    void WriteHeader() override {}
    void WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                    const BinaryOverlay& overlay) override;
    void WriteTrailer() override {}

private:
    std::string template_;
};

}  // namespace orva
