#include "recording/SerWriter.h"

#include <array>
#include <bit>

namespace orva {
namespace {

// The frame is written as it lies in memory; SER samples are little-endian.
static_assert(std::endian::native == std::endian::little, "SER frames are written from memory as little-endian");

constexpr char kFileId[] = "LUCAM-RECORDER";

// At most `limit` bytes of UTF-8 text, not ending inside a character.
std::size_t Utf8PrefixLength(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t length = limit;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u) --length;
    return length;
}

}  // namespace

SerWriter::SerWriter() { timestamps_.reserve(kPreallocatedTimestamps); }

std::string SerWriter::GetFormatDescription() const { return "SER " + std::to_string(BitDepth()) + "-bit"; }

bool SerWriter::OpenRecording(const std::string& fileName, int width, int height, uint8_t bitDepth) {
    return Open(fileName, width, height, bitDepth);
}

void SerWriter::WriteHeader() {
    timestamps_.clear();
    WriteBytes(kFileId, sizeof(kFileId) - 1);
    WriteUInt32(0);  // LuID
    WriteUInt32(0);  // ColorID: monochrome
    WriteUInt32(0);  // LittleEndian: 0, although the samples are little-endian
    WriteUInt32(static_cast<uint32_t>(Width()) & 0xFFFFu);
    WriteUInt32(static_cast<uint32_t>(Height()) & 0xFFFFu);
    WriteUInt32(16);  // PixelDepthPerPlane
    WriteUInt32(0);   // FrameCount, filled in by WriteTrailer
    WriteTextField(Names().observer);
    WriteTextField(Names().camera);
    WriteTextField(Names().telescope);
}

void SerWriter::WriteFrame(const uint16_t* pixels, uint64_t, uint64_t timestamp, const BinaryOverlay&) {
    if (GetFrameCount() == 0) {
        WriteUInt64(timestamp);  // DateTime
        WriteUInt64(timestamp);  // DateTime_UTC
    }
    WriteBytes(pixels, 2 * static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height()));
    timestamps_.push_back(timestamp);
}

void SerWriter::WriteTrailer() {
    for (const uint64_t t : timestamps_) WriteUInt64(t);
    if (!FlushFile()) return;
    const int64_t end = FilePosition();
    if (end < 0 || !SeekTo(kFrameCountOffset)) return;
    WriteUInt32(static_cast<uint32_t>(GetFrameCount()));
    SeekTo(end);
}

void SerWriter::WriteTextField(const std::string& text) {
    // Cut at a character boundary, so that the field stays valid UTF-8.
    std::array<char, kTextFieldBytes> field{};
    const std::size_t length = Utf8PrefixLength(text, kTextFieldBytes - 1);
    text.copy(field.data(), length);
    WriteBytes(field.data(), field.size());
}

}  // namespace orva
