#include "recording/BaseWriter.h"

#include "common/Log.h"
#include "processing/GpsStatusCsv.h"

#include <cstring>

namespace orva {
namespace {

constexpr const char* kRecordingFileWhat = "recording file";
constexpr const char* kStatusFileWhat = "GPS status CSV file";

// The longest prefix of at most kMaxStringBytes that does not end inside a UTF-8 character.
std::size_t StringLengthToWrite(const std::string& text) {
    if (text.size() <= BaseWriter::kMaxStringBytes) return text.size();
    std::size_t length = BaseWriter::kMaxStringBytes;
    // Back off while the first byte left out is a continuation byte (10xxxxxx).
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u) --length;
    return length;
}

}  // namespace

bool BaseWriter::Open(const std::string& fileName, int width, int height, uint8_t bitDepth) {
    PrepareRecording(width, height, bitDepth);
    if (recordingFile_.Open(fileName, "wb")) return true;
    failed_ = true;
    failureMessage_ = "Failed to create the recording file " + recordingFile_.DescribeError();
    LogMessageString("E Failed to create recording file:", recordingFile_.DescribeError());
    return false;
}

void BaseWriter::SetObjectName(const std::string& name) { objectName_ = name; }

bool BaseWriter::IsRecording() const { return recording_; }

bool BaseWriter::StartRecording(const RecordingCameraSnapshot* camera) {
    camera_.reset();
    if (camera != nullptr) camera_ = *camera;
    frameCount_ = 0;
    if (failed_) return false;  // the recording file could not be created
    recording_ = true;
    WriteHeader();
    if (failed_) {
        recording_ = false;
        return false;
    }
    if (statusFileName_.empty()) return true;
    if (!statusFile_.Open(statusFileName_, "w")) {
        LogMessageInt("E Failed to open CSV file for GPS status recording", statusFile_.Error());
        return true;  // the recording goes on without a CSV file
    }
    if (!statusFile_.Write(kGpsStatusCsvHeader, std::strlen(kGpsStatusCsvHeader))) {
        FailOn(statusFile_, kStatusFileWhat);
        recording_ = false;
        return false;
    }
    return true;
}

bool BaseWriter::StopRecording() {
    recording_ = false;
    if (failed_) {
        CloseFiles();
        return false;
    }
    WriteTrailer();
    if (!failed_ && !recordingFile_.Close()) FailOn(recordingFile_, kRecordingFileWhat);
    if (!failed_ && !statusFile_.Close()) FailOn(statusFile_, kStatusFileWhat);
    CloseFiles();
    return !failed_;
}

int32_t BaseWriter::GetFrameCount() const { return frameCount_; }

bool BaseWriter::AddFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                          const BinaryOverlay& overlay) {
    if (!recording_ || failed_) return false;
    const uint64_t expectedBytes = 2ull * static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_);
    if (byteCount != expectedBytes || pixels == nullptr) {
        LogMessageString("E Frame refused, its size does not match the recording:",
                         std::to_string(byteCount) + " bytes instead of " + std::to_string(expectedBytes));
        return true;
    }
    WriteFrame(pixels, byteCount, timestamp, overlay);
    if (failed_) return false;

    if (statusFile_.IsOpen()) {
        char line[kGpsStatusCsvLineCapacity];
        const std::size_t length = FormatGpsStatusCsvLine(overlay, line);
        if (!statusFile_.Write(line, length)) FailOn(statusFile_, kStatusFileWhat);
    }

    const auto frameNr = static_cast<uint32_t>(overlay.FrameNr);
    const auto expected = static_cast<uint32_t>(lastFrameCounter_) + 1u;
    if (frameCount_ > 0 && frameNr > expected) {
        LogMessageInt2("W Missed one or more frames (start, len): ", static_cast<int>(expected),
                       static_cast<int>(frameNr - expected));
    }
    ++frameCount_;
    lastFrameCounter_ = overlay.FrameNr;
    return !failed_;
}

void BaseWriter::SetStatusFileName(const std::string& name) { statusFileName_ = name; }

void BaseWriter::WriteUInt8(uint8_t v) { WriteBytes(&v, 1); }

void BaseWriter::WriteUInt16(uint16_t v) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    WriteBytes(bytes, sizeof(bytes));
}

void BaseWriter::WriteUInt32(uint32_t v) {
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    WriteBytes(bytes, sizeof(bytes));
}

void BaseWriter::WriteUInt64(uint64_t v) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    WriteBytes(bytes, sizeof(bytes));
}

void BaseWriter::WriteBytes(const void* data, std::size_t length) {
    if (failed_) return;
    if (!recordingFile_.Write(data, length)) FailOn(recordingFile_, kRecordingFileWhat);
}

void BaseWriter::WriteFloat32(float v) {
    uint32_t bits = 0;
    static_assert(sizeof(bits) == sizeof(v));
    std::memcpy(&bits, &v, sizeof(bits));
    WriteUInt32(bits);
}

void BaseWriter::WriteTag(const std::string& name, const std::string& value) {
    WriteString(name);
    WriteString(value);
}

void BaseWriter::WriteString(const std::string& text) {
    const std::size_t length = StringLengthToWrite(text);
    WriteUInt16(static_cast<uint16_t>(length));
    if (text.find('\x7F') == std::string::npos) {
        WriteBytes(text.data(), length);
        return;
    }
    std::string replaced = text.substr(0, length);
    for (char& c : replaced) {
        if (c == '\x7F') c = '?';
    }
    WriteBytes(replaced.data(), replaced.size());
}

int64_t BaseWriter::FilePosition() {
    if (failed_) return -1;
    const int64_t position = recordingFile_.Tell();
    if (position < 0) FailOn(recordingFile_, kRecordingFileWhat);
    return position;
}

bool BaseWriter::SeekTo(int64_t offset) {
    if (failed_) return false;
    if (!recordingFile_.Seek(offset)) FailOn(recordingFile_, kRecordingFileWhat);
    return !failed_;
}

bool BaseWriter::FlushFile() {
    if (failed_) return false;
    if (!recordingFile_.Flush()) FailOn(recordingFile_, kRecordingFileWhat);
    return !failed_;
}

void BaseWriter::PrepareRecording(int width, int height, uint8_t bitDepth) {
    CloseFiles();
    width_ = width;
    height_ = height;
    bitDepth_ = bitDepth;
    failed_ = false;
    failureMessage_.clear();
}

void BaseWriter::StopAfterFailure(const std::string& message) {
    if (failed_) return;
    failed_ = true;
    failureMessage_ = message;
    CloseFiles();
}

void BaseWriter::FailOn(const OutputFile& file, const char* what) {
    if (failed_) return;
    const std::string description = file.DescribeError();
    LogMessageString(std::string("E Recording stopped, failed to write ") + what + ":", description);
    StopAfterFailure("Recording stopped: failed to write " + description);
}

void BaseWriter::CloseFiles() {
    // After a failure the closes cannot save more; their own errors add nothing.
    recordingFile_.Close();
    statusFile_.Close();
}

}  // namespace orva
