#include "recording/SerReader.h"

#include "recording/SerWriter.h"

#include <array>
#include <cstring>

namespace orva {
namespace {

constexpr char kFileId[] = "LUCAM-RECORDER";
constexpr uint32_t kMaxSide = 65535;  // the writer stores 16 bits of width and height

std::string TextField(const uint8_t* p) {
    std::size_t length = 0;
    while (length < SerWriter::kTextFieldBytes && p[length] != 0) ++length;
    return std::string(reinterpret_cast<const char*>(p), length);
}

}  // namespace

bool SerReader::Open(const std::string& path, Mode mode) {
    name_ = path;
    if (!file_.Open(path)) {
        error_ = path + ": cannot be opened: " + file_.ErrorText();
        return false;
    }
    return Check(mode);
}

bool SerReader::OpenBytes(const uint8_t* data, std::size_t size, Mode mode) {
    name_ = "SER data";
    file_.OpenBytes(data, size);
    return Check(mode);
}

bool SerReader::Fail(uint64_t offset, const std::string& what) {
    error_ = name_ + ": at offset " + std::to_string(offset) + ": " + what;
    return false;
}

bool SerReader::Check(Mode mode) {
    error_.clear();
    header_ = {};
    frameCount_ = 0;
    timestamps_.clear();
    const uint64_t size = file_.Size();
    std::array<uint8_t, SerWriter::kHeaderBytes> h{};
    const std::size_t headerRead = static_cast<std::size_t>(std::min<uint64_t>(size, h.size()));
    file_.ReadAt(0, h.data(), headerRead);
    if (size < SerWriter::kHeaderBytesWithoutTimes) {
        return Fail(size, "the header ends early, " + std::to_string(SerWriter::kHeaderBytesWithoutTimes) +
                              " bytes needed, the file has " + std::to_string(size));
    }
    if (std::memcmp(h.data(), kFileId, sizeof(kFileId) - 1) != 0) {
        return Fail(0, "the file identifier is not LUCAM-RECORDER");
    }
    header_.luId = BinaryInputFile::U32(&h[14]);
    header_.colorId = BinaryInputFile::U32(&h[18]);
    header_.littleEndian = BinaryInputFile::U32(&h[22]);
    header_.width = BinaryInputFile::U32(&h[26]);
    header_.height = BinaryInputFile::U32(&h[30]);
    header_.pixelDepth = BinaryInputFile::U32(&h[34]);
    header_.frameCount = BinaryInputFile::U32(&h[38]);
    header_.observer = TextField(&h[42]);
    header_.instrument = TextField(&h[82]);
    header_.telescope = TextField(&h[122]);

    if (header_.colorId != 0) return Fail(18, "colour format " + std::to_string(header_.colorId) + " is not monochrome");
    if (header_.width == 0 || header_.width > kMaxSide) {
        return Fail(26, "image width " + std::to_string(header_.width) + " is not between 1 and 65535");
    }
    if (header_.height == 0 || header_.height > kMaxSide) {
        return Fail(30, "image height " + std::to_string(header_.height) + " is not between 1 and 65535");
    }
    if (header_.pixelDepth != 16) {
        return Fail(34, "pixel depth " + std::to_string(header_.pixelDepth) + " is not 16");
    }
    frameBytes_ = 2ull * header_.width * header_.height;

    if (size == SerWriter::kHeaderBytesWithoutTimes) {
        // A recording stopped before its first frame.
        if (header_.frameCount != 0) {
            return Fail(SerWriter::kFrameCountOffset, "frame count " + std::to_string(header_.frameCount) +
                                                          " but the file ends after the header");
        }
        return true;
    }
    if (size < SerWriter::kHeaderBytes) {
        return Fail(size, "the header's time fields end early, the file has " + std::to_string(size) + " bytes");
    }
    header_.dateTime = BinaryInputFile::U64(&h[162]);
    header_.dateTimeUtc = BinaryInputFile::U64(&h[170]);

    const uint64_t body = size - SerWriter::kHeaderBytes;
    const uint64_t count = header_.frameCount;
    // A whole header and nothing after it: a recording with no frames, as the bare
    // 162-byte header is.
    if (body == 0 && count == 0) return true;
    const bool complete = count > 0 && body / (frameBytes_ + 8) >= count && body - count * (frameBytes_ + 8) == 0;
    if (complete) {
        frameCount_ = header_.frameCount;
    } else if (mode == Mode::Strict) {
        if (count == 0) return Fail(SerWriter::kFrameCountOffset, "frame count 0 but frame data follows the header");
        const uint64_t expected = count <= body / (frameBytes_ + 8) ? SerWriter::kHeaderBytes + count * (frameBytes_ + 8) : 0;
        return Fail(size, "the file has " + std::to_string(size) + " bytes, a frame count of " + std::to_string(count) +
                              (expected != 0 ? " needs " + std::to_string(expected) : " needs more"));
    } else if (count > 0 && count <= body / (frameBytes_ + 8)) {
        frameCount_ = header_.frameCount;  // complete, with bytes after the trailer
    } else {
        // The frame count was never written: the trailer is missing, take the whole frames.
        frameCount_ = static_cast<uint32_t>(std::min<uint64_t>(body / frameBytes_, UINT32_MAX));
        if (frameCount_ == 0) return Fail(SerWriter::kHeaderBytes, "not one whole frame follows the header");
        return true;
    }

    const uint64_t trailer = SerWriter::kHeaderBytes + static_cast<uint64_t>(frameCount_) * frameBytes_;
    if (file_.Holds(trailer, 8ull * frameCount_)) {
        std::vector<uint8_t> bytes(8ull * frameCount_);
        if (!file_.ReadAt(trailer, bytes.data(), bytes.size())) return Fail(trailer, "the trailer cannot be read");
        timestamps_.resize(frameCount_);
        for (uint32_t i = 0; i < frameCount_; ++i) timestamps_[i] = BinaryInputFile::U64(&bytes[8ull * i]);
    }
    return true;
}

bool SerReader::ReadFrame(uint32_t index, std::span<uint16_t> pixels) {
    if (index >= frameCount_) return Fail(0, "there is no frame " + std::to_string(index));
    if (pixels.size() * 2 != frameBytes_) return Fail(0, "the frame buffer does not hold width x height samples");
    const uint64_t offset = SerWriter::kHeaderBytes + static_cast<uint64_t>(index) * frameBytes_;
    frameBuffer_.resize(static_cast<std::size_t>(frameBytes_));
    if (!file_.ReadAt(offset, frameBuffer_.data(), frameBuffer_.size())) {
        return Fail(offset, "frame " + std::to_string(index) + " cannot be read");
    }
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = BinaryInputFile::U16(&frameBuffer_[2 * i]);
    return true;
}

}  // namespace orva
