#pragma once
// Reads a 16-bit monochrome SER movie as SerWriter writes it: the header, every frame and
// the trailer's time stamps (100-ns ticks since 0001-01-01 UTC).
//
// Outside input: the file is checked when it is opened. A damaged or foreign file is
// refused with a message that names the offset and what was wrong; nothing is read
// outside the file and no allocation is larger than the file. A recording stopped before
// its first frame (the bare 162-byte header, or a whole 178-byte one, frame count 0 and
// nothing after it) is an empty recording. A recording that was cut short (a crash, a
// full disk: frame count 0, frames but no trailer) is refused unless it is opened for
// recovery, which takes the whole frames that are there.
//
// Threads: one thread at a time.

#include "recording/BinaryInputFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orva {

struct SerHeader {
    uint32_t luId = 0;
    uint32_t colorId = 0;
    uint32_t littleEndian = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelDepth = 0;
    uint32_t frameCount = 0;  // as stored
    std::string observer;
    std::string instrument;
    std::string telescope;
    uint64_t dateTime = 0;     // 0 when the file has no frames
    uint64_t dateTimeUtc = 0;
};

class SerReader {
public:
    enum class Mode {
        Strict,   // the header's frame count, the frames and the trailer must match the size
        Recover,  // a recording cut short: the whole frames present, time stamps if complete
    };

    bool Open(const std::string& path, Mode mode = Mode::Strict);
    bool OpenBytes(const uint8_t* data, std::size_t size, Mode mode = Mode::Strict);
    // Why the last Open or ReadFrame failed: "<path>: at offset N: what".
    const std::string& Error() const { return error_; }

    const SerHeader& Header() const { return header_; }
    // The frames in the file (in recovery, the whole ones present).
    uint32_t FrameCount() const { return frameCount_; }
    // One per frame; empty when a recovered file has no complete trailer.
    const std::vector<uint64_t>& Timestamps() const { return timestamps_; }
    // width x height samples, top row first.
    bool ReadFrame(uint32_t index, std::span<uint16_t> pixels);

private:
    bool Check(Mode mode);
    bool Fail(uint64_t offset, const std::string& what);

    BinaryInputFile file_;
    std::string name_;
    std::string error_;
    SerHeader header_;
    uint32_t frameCount_ = 0;
    uint64_t frameBytes_ = 0;
    std::vector<uint64_t> timestamps_;
    std::vector<uint8_t> frameBuffer_;
};

}  // namespace orva
