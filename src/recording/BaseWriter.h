#pragma once
// The recording framework every file format derives from. It owns the recording file,
// the optional GPS status CSV file beside it, the frame count and the missed-frame
// check, and offers the little-endian primitives the formats build their files from.
//
// Calling order: the concrete OpenRecording (which calls Open or PrepareRecording),
// optionally SetStatusFileName and SetObjectName, StartRecording, AddFrame per frame,
// StopRecording.
//
// A frame whose byte count is not width x height x 2 is refused with an "E" line and not
// counted (it would be read past its end and put the file out of step); AddFrame returns
// true, the recording goes on with the next frame.
//
// Write failures: every write is checked. At the first failure (full disk, removed drive)
// the writer logs one "E" line with the file and the system error, stops writing, closes
// both files (what was written stays on disk) and reports the failure: AddFrame and
// StopRecording return false, HasFailed() is true and FailureMessage() says why.
//
// Files: the recording file and the CSV are created, never opened over an existing file:
// a name that is taken gets "_2", "_3", ... before its extension, and the CSV takes the
// recording's number (RecordingFilePath and StatusFilePath say what was created). While
// recording, a thread of the writer's writes both files' data out to the disk every 2 s or
// 64 MiB (BackgroundFileSync); StopRecording syncs them (fdatasync) before it closes them,
// so a recording that stopped without an error is on the disk.
//
// Threads: OpenRecording, SetStatusFileName, SetObjectName and StartRecording run on the
// GUI thread before the writer is handed to the frame processor; AddFrame and
// StopRecording then run on the frame processor's thread only. No lock of its own.

#include "processing/IRecordingSink.h"
#include "recording/BackgroundFileSync.h"
#include "recording/OutputFile.h"
#include "recording/RecordingCameraSnapshot.h"
#include "recording/RecordingNames.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

class BaseWriter : public IRecordingSink {
public:
    BaseWriter() = default;
    ~BaseWriter() override;
    BaseWriter(const BaseWriter&) = delete;
    BaseWriter& operator=(const BaseWriter&) = delete;

    // Stores the frame geometry and creates the recording file, under a numbered name
    // when the name is taken. False, with an "E" line and a failure message, when it
    // cannot be created.
    virtual bool Open(const std::string& fileName, int width, int height, uint8_t bitDepth);
    virtual void SetObjectName(const std::string& name);
    std::string GetFormatDescription() const override = 0;
    virtual bool IsRecording() const;
    // Writes the header and opens the status file, if one is named. False when the
    // recording file could not be created or written; the writer then is not recording.
    // The camera (null: none known) is copied; the writer never reads the camera unit.
    virtual bool StartRecording(const RecordingCameraSnapshot* camera);
    bool StopRecording() override;
    // The frames taken: written, or queued to be written by a format that encodes on
    // threads of its own (AdvWriter says what becomes of them after a write failure).
    int32_t GetFrameCount() const override;
    bool AddFrame(const CameraFrame& frame) override;
    // A frame from elsewhere than the camera (a recording being repaired): pixels are
    // width x height 16-bit samples, timestamp the exposure start in 100-ns ticks since
    // 0001-01-01 UTC.
    bool AddFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp, const BinaryOverlay& overlay);

    // Empty: no status file. Kept for the following recordings until changed.
    void SetStatusFileName(const std::string& name);
    // The observer, instrument and camera names the file headers carry, resolved by
    // recording control on the GUI thread before StartRecording.
    void SetRecordingNames(const RecordingNames& names) { names_ = names; }

    // The files as created (empty: none): the recording file, with its number when the
    // name asked for was taken, and the GPS status CSV file.
    const std::string& RecordingFilePath() const { return recordingPath_; }
    const std::string& StatusFilePath() const { return statusPath_; }

    bool HasFailed() const override { return failed_; }
    std::string FailureMessage() const override { return failureMessage_; }

    // At most this many bytes of a string are written; a 16-bit length cannot say more.
    static constexpr std::size_t kMaxStringBytes = 65535;

protected:
    virtual void WriteHeader() = 0;
    virtual void WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                            const BinaryOverlay& overlay) = 0;
    virtual void WriteTrailer() = 0;

    // Primitives into the recording file, least significant byte first. After a failure
    // they write nothing.
    virtual void WriteUInt8(uint8_t v);
    virtual void WriteUInt16(uint16_t v);
    virtual void WriteUInt32(uint32_t v);
    virtual void WriteUInt64(uint64_t v);
    virtual void WriteBytes(const void* data, std::size_t length);
    virtual void WriteFloat32(float v);
    virtual void WriteTag(const std::string& name, const std::string& value);
    // 16-bit byte length, then the bytes with 0x7F written as '?'. Text longer than
    // kMaxStringBytes is cut at a UTF-8 character boundary at or below that length.
    virtual void WriteString(const std::string& text);

    // Header patching for the formats: file position, moving within the file, flushing.
    int64_t FilePosition();
    bool SeekTo(int64_t offset);
    bool FlushFile();

    // Stores the geometry and clears an earlier failure, without creating a file (for
    // formats that write files of their own).
    void PrepareRecording(int width, int height, uint8_t bitDepth);
    // A format that writes its own files reports their failure through this: the log
    // line is its own, the writer stops as for any other write failure.
    void StopAfterFailure(const std::string& message);
    // A format that writes its own files into one folder names it before StartRecording:
    // its file system is synced in the background and at the stop. False, with errno,
    // when the folder cannot be opened.
    bool SyncFolderWhileRecording(const std::string& folder);

    int Width() const { return width_; }
    int Height() const { return height_; }
    uint8_t BitDepth() const { return bitDepth_; }
    // Null when the recording was started without a camera.
    const RecordingCameraSnapshot* Camera() const { return camera_ ? &*camera_ : nullptr; }
    const std::string& ObjectName() const { return objectName_; }
    const RecordingNames& Names() const { return names_; }

private:
    void FailOn(const OutputFile& file, const char* what);
    void FailWith(const char* what, const std::string& description);
    // After the last frame: the final sync of every file; false (logged) on a failure.
    bool SyncAtStop();
    void CloseFiles();

    std::string statusFileName_;
    OutputFile statusFile_;
    std::optional<RecordingCameraSnapshot> camera_;
    std::string objectName_;
    RecordingNames names_;
    int width_ = 0;
    int height_ = 0;
    uint8_t bitDepth_ = 0;
    OutputFile recordingFile_;
    std::string recordingPath_;
    std::string statusPath_;
    std::string folder_;
    int folderFd_ = -1;
    BackgroundFileSync sync_;
    bool recording_ = false;
    int32_t frameCount_ = 0;
    int32_t lastFrameCounter_ = -1;
    bool failed_ = false;
    std::string failureMessage_;
};

}  // namespace orva
