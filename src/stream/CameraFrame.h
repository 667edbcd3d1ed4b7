#pragma once
// One camera frame on its way through the station: made by the stream when its consumer
// thread takes a sample from the queue, then filled in by the frame path (the unpacked
// pixels, the decoded timing record and the camera status) and handed by reference to
// the live view, the captures and the recording. No stage works out again what the frame
// already carries.
//
// Lifetime: the raw bytes belong to the sample, which the frame holds; the unpacked
// pixels lie in the frame path's own buffer. Both stay valid until the frame has been
// through every stage; a consumer that keeps anything beyond that copies it.

#include "camera/BinaryOverlay.h"
#include "camera/CameraStatus.h"
#include "stream/VideoSource.h"

#include <cstddef>
#include <cstdint>

namespace orva {

struct CameraFrame {
    // As the stream received it.
    VideoSamplePtr sample;         // keeps `raw` alive
    const uint8_t* raw = nullptr;  // transferWidth x height x 2 bytes
    uint16_t transferWidth = 0;    // pixels per row as transferred (packed rows are shorter)
    uint16_t height = 0;
    int64_t receivedMs = 0;        // when the consumer took it, on the stream's monotonic clock
    uint64_t sequence = 0;         // the stream's sample count; a gap is a sample dropped
    bool discontinuity = false;    // a sample was lost or the source said so before this one

    // Filled in by the frame path.
    int width = 0;                  // pixels per row after unpacking
    bool packed = false;            // 12-bit samples packed into 1.5 bytes each
    uint16_t* pixels = nullptr;     // width x height, calibrated, with any burnt-in text
    uint32_t imageMean = 0;         // of the pixels that carry the picture (not the record row)
    bool hasStatistics = false;     // imageMean is measured
    BinaryOverlay timing;           // the record in the last row
    CameraStatus status;            // the camera after this frame's record
    uint64_t startTicks = 0;        // exposure start and end, 100-ns ticks since 0001-01-01 UTC
    uint64_t endTicks = 0;
    const int32_t* rowOffsets = nullptr;  // measured row noise, one per row; null: none
    int pcTimeColumns = 0;          // columns of rows 0..15 carrying the PC time text

    // A frame as received, before the frame path: for the stream and for feeding the
    // frame path directly (tests, benchmarks).
    static CameraFrame Received(const uint8_t* raw, uint16_t transferWidth, uint16_t height) {
        CameraFrame frame;
        frame.raw = raw;
        frame.transferWidth = transferWidth;
        frame.height = height;
        return frame;
    }

    std::size_t PixelCount() const { return static_cast<std::size_t>(width) * height; }
    uint64_t PixelBytes() const { return uint64_t{2} * PixelCount(); }
};

}  // namespace orva
