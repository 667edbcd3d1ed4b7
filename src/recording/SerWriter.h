#pragma once
// Records the camera stream as a SER movie: a 178-byte header, the raw 16-bit frames one
// after the other, and a trailer with the exposure start of every frame (100-ns ticks
// since 0001-01-01 UTC). The frame count in the header is filled in when the recording
// stops.
//
// The time-stamp table holds 100000 entries from construction, so that a recording does
// not allocate per frame; a longer recording grows it, and the trailer always holds one
// time stamp per frame.
//
// Threads: as BaseWriter.

#include "recording/BaseWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orva {

class SerWriter : public BaseWriter {
public:
    static constexpr std::size_t kHeaderBytes = 178;
    static constexpr std::size_t kHeaderBytesWithoutTimes = 162;
    static constexpr std::size_t kFrameCountOffset = 38;
    static constexpr std::size_t kTextFieldBytes = 40;
    static constexpr std::size_t kPreallocatedTimestamps = 100000;

    SerWriter();

    // "SER 16-bit"
    std::string GetFormatDescription() const override;
    // Stores the geometry and creates (replaces) the file.
    virtual bool OpenRecording(const std::string& fileName, int width, int height, uint8_t bitDepth);

protected:
    void WriteHeader() override;
    void WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                    const BinaryOverlay& overlay) override;
    void WriteTrailer() override;

private:
    // UTF-8 text in a zero-filled field of 40 bytes, at most 39 of them used.
    void WriteTextField(const std::string& text);

    std::vector<uint64_t> timestamps_;
};

}  // namespace orva
