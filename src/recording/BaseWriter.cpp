#include "recording/BaseWriter.h"

#include "common/Log.h"
#include "processing/GpsStatusCsv.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace orva {
namespace {

constexpr const char* kRecordingFileWhat = "recording file";
constexpr const char* kStatusFileWhat = "GPS status CSV file";
constexpr const char* kFolderWhat = "recording folder";

// The longest prefix of at most kMaxStringBytes that does not end inside a UTF-8 character.
std::size_t StringLengthToWrite(const std::string& text) {
    if (text.size() <= BaseWriter::kMaxStringBytes) return text.size();
    std::size_t length = BaseWriter::kMaxStringBytes;
    // Back off while the first byte left out is a continuation byte (10xxxxxx).
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u) --length;
    return length;
}

}  // namespace

BaseWriter::~BaseWriter() { CloseFiles(); }

bool BaseWriter::Open(const std::string& fileName, int width, int height, uint8_t bitDepth) {
    PrepareRecording(width, height, bitDepth);
    if (recordingFile_.CreateNumbered(fileName)) {
        recordingPath_ = recordingFile_.Path();
        if (recordingFile_.Number() > 1) LogMessageString("W File name in use, recording into:", recordingPath_);
        return true;
    }
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
    if (!statusFileName_.empty()) {
        if (statusFile_.CreateNumbered(statusFileName_, recordingFile_.IsOpen() ? recordingFile_.Number() : 1)) {
            statusPath_ = statusFile_.Path();
            if (!statusFile_.Write(kGpsStatusCsvHeader, std::strlen(kGpsStatusCsvHeader))) {
                FailOn(statusFile_, kStatusFileWhat);
                recording_ = false;
                return false;
            }
        } else {
            // The recording goes on without a CSV file.
            LogMessageInt("E Failed to open CSV file for GPS status recording", statusFile_.Error());
        }
    }
    std::vector<BackgroundFileSync::Target> targets;
    for (const OutputFile* file : {&recordingFile_, &statusFile_}) {
        if (file->IsOpen()) targets.push_back({file->Descriptor(), BackgroundFileSync::Scope::File});
    }
    if (folderFd_ >= 0) targets.push_back({folderFd_, BackgroundFileSync::Scope::FileSystem});
    sync_.Start(std::move(targets));
    return true;
}

bool BaseWriter::StopRecording() {
    recording_ = false;
    if (failed_) {
        CloseFiles();
        return false;
    }
    WriteTrailer();
    if (!failed_ && SyncAtStop()) {
        if (!recordingFile_.Close()) FailOn(recordingFile_, kRecordingFileWhat);
        if (!failed_ && !statusFile_.Close()) FailOn(statusFile_, kStatusFileWhat);
    }
    CloseFiles();
    return !failed_;
}

bool BaseWriter::SyncAtStop() {
    sync_.Stop();
    if (sync_.Error() != 0) {
        FailWith(kRecordingFileWhat, OutputFile::Describe(recordingPath_.empty() ? folder_ : recordingPath_, sync_.Error()));
        return false;
    }
    if (recordingFile_.IsOpen() && !recordingFile_.Sync()) {
        FailOn(recordingFile_, kRecordingFileWhat);
        return false;
    }
    if (statusFile_.IsOpen() && !statusFile_.Sync()) {
        FailOn(statusFile_, kStatusFileWhat);
        return false;
    }
    if (folderFd_ >= 0 && ::syncfs(folderFd_) != 0) {
        FailWith(kFolderWhat, OutputFile::Describe(folder_, errno));
        return false;
    }
    return true;
}

int32_t BaseWriter::GetFrameCount() const { return frameCount_; }

bool BaseWriter::AddFrame(const CameraFrame& frame) {
    return AddFrame(frame.pixels, frame.PixelBytes(), frame.startTicks, frame.timing);
}

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
    sync_.NoteWritten(byteCount);
    if (const int syncError = sync_.Error(); syncError != 0) {
        // The system could not put what was written on the disk: it may be lost.
        FailWith(kRecordingFileWhat, OutputFile::Describe(recordingPath_.empty() ? folder_ : recordingPath_, syncError));
        return false;
    }

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
    recordingPath_.clear();
    statusPath_.clear();
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

bool BaseWriter::SyncFolderWhileRecording(const std::string& folder) {
    if (folderFd_ >= 0) ::close(folderFd_);
    folder_ = folder;
    folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return folderFd_ >= 0;
}

void BaseWriter::FailOn(const OutputFile& file, const char* what) { FailWith(what, file.DescribeError()); }

void BaseWriter::FailWith(const char* what, const std::string& description) {
    if (failed_) return;
    LogMessageString(std::string("E Recording stopped, failed to write ") + what + ":", description);
    StopAfterFailure("Recording stopped: failed to write " + description);
}

void BaseWriter::CloseFiles() {
    // The sync thread uses the descriptors until it is stopped.
    sync_.Stop();
    // After a failure the closes cannot save more; their own errors add nothing.
    recordingFile_.Close();
    statusFile_.Close();
    if (folderFd_ >= 0) ::close(folderFd_);
    folderFd_ = -1;
}

}  // namespace orva
