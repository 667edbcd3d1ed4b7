#pragma once
// Test helpers for the frame path: raw camera frames built from 12-bit samples (both
// packings) with a timing record in the last row, written from the record's byte table
// independently of the station's decoder; and fakes of the camera, the recording writer,
// the FITS capture sink and the display target.

#include "camera/CameraStatus.h"
#include "camera/VideoResolution.h"
#include "camera/BinaryOverlay.h"
#include "processing/IDisplayTarget.h"
#include "processing/IFitsCaptureSink.h"
#include "processing/IFrameCamera.h"
#include "processing/IRecordingSink.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orva::test {

// The values of one record; the defaults form a valid version-6 record.
struct FrameRecord {
    uint16_t version = 6;
    int year = 2024, month = 6, day = 1, hour = 22, minute = 0, second = 0;
    uint32_t fromNs = 0;
    uint32_t toNs = 40000000;
    int32_t frameNr = 1;
    uint8_t commIrqCtr = 1;
    uint8_t frameStartIrqCtr = 101;
    uint8_t fixState = 3;
    uint8_t nofSats = 9;
    int32_t lat = 481234567;
    int32_t lon = 113456789;
    int32_t heightMm = 523400;
    uint16_t accuracyM = 3;
    bool timeFlag = true;
    int32_t exposureSec = 0;
    uint32_t exposureNs = 40000000;
    uint16_t temperature = 0x1701;  // 23 C, valid
    uint32_t statusWord0 = 0;
};

// Status word 0 bits the camera status decodes.
inline constexpr uint32_t kStatusHighTimeResolution = 1u << 21;
// Overlay flags 0 decode as overlay mode 2 (text); flags 2 as mode 0 (none).
inline constexpr uint32_t kStatusOverlayNone = 2u << 24;
inline constexpr uint32_t kStatusOverlayText = 0u << 24;

// Frame n of a steady stream: frame number n, start time n x 40 ms after 22:00:00,
// counters counting up by one.
FrameRecord SteadyRecord(int32_t n);

// width x height 12-bit samples; the last row's first 128 samples carry the record
// (record byte in the upper 8 bits, a sealed check lane in the lower 4 bits).
class RawCameraFrame {
public:
    RawCameraFrame(int width, int height, uint32_t seed);
    int Width() const { return width_; }
    int Height() const { return height_; }
    uint16_t& Sample(int x, int y) { return samples_[static_cast<std::size_t>(y) * width_ + x]; }
    const std::vector<uint16_t>& Samples() const { return samples_; }
    void SetRecord(const FrameRecord& record);
    // The unpacked pixel values the station must produce.
    std::vector<uint16_t> Expected() const;
    std::vector<uint8_t> Normal() const;
    // width must be a multiple of 8.
    std::vector<uint8_t> Packed() const;

private:
    int width_;
    int height_;
    std::vector<uint16_t> samples_;
};

// 12-bit samples to the camera's byte forms.
std::vector<uint8_t> PackNormal(const std::vector<uint16_t>& samples);
std::vector<uint8_t> PackTwelveBit(const std::vector<uint16_t>& samples);

class FakeCamera final : public IFrameCamera, public IFrameCameraProvider {
public:
    explicit FakeCamera(VideoResolution resolution) : resolution_(resolution) {}
    const VideoResolution* ActiveResolution() const override { return &resolution_; }
    CameraStatus UpdateStatusFromFrame(const OverlayStatusFields& fields,
                                       const std::array<uint16_t, 8>& frameStartTime) override;
    int32_t EnableDisableHires(bool on) override;
    std::shared_ptr<IFrameCamera> ActiveCamera() override;

    void SetAvailable(bool available) { available_ = available; }
    void SetHiresResult(int32_t code) { hiresResult_ = code; }
    std::vector<bool> HiresCommands() const;
    CameraStatus Status() const;

private:
    VideoResolution resolution_;
    mutable std::mutex mutex_;
    CameraStatus status_;
    std::vector<bool> hiresCommands_;
    int32_t hiresResult_ = 0;
    bool available_ = true;
};

struct RecordedFrame {
    std::vector<uint16_t> pixels;
    uint64_t byteCount = 0;
    uint64_t timestamp = 0;
    BinaryOverlay overlay;
};

class FakeRecordingSink final : public IRecordingSink {
public:
    std::string GetFormatDescription() const override { return "TEST 16-bit"; }
    int32_t GetFrameCount() const override { return static_cast<int32_t>(frames.size()); }
    bool AddFrame(const CameraFrame& frame) override;
    bool StopRecording() override;
    bool HasFailed() const override { return failed; }
    std::string FailureMessage() const override { return failed ? "disk full" : ""; }

    std::vector<RecordedFrame> frames;
    int failAtFrame = -1;  // AddFrame of this frame index fails
    int stopCalls = 0;
    int framesAfterStop = 0;
    bool failed = false;
};

// Shared with the test, so it can be inspected after the processor destroyed the sink.
struct CaptureRecord {
    std::map<std::string, std::string> header;
    std::vector<uint16_t> pixels;
    int writes = 0;
    bool destroyed = false;
};

class FakeCaptureSink final : public IFitsCaptureSink {
public:
    FakeCaptureSink(std::string fileName, std::shared_ptr<CaptureRecord> record, bool failWrite = false)
        : fileName_(std::move(fileName)), record_(std::move(record)), failWrite_(failWrite) {}
    ~FakeCaptureSink() override { record_->destroyed = true; }
    std::string GetFileName() const override { return fileName_; }
    void FillStaticHeader(int width, int height) override;
    void WriteDynamicHeader(const BinaryOverlay& overlay) override;
    void SetHeaderValue(const std::string& keyword, const std::string& value) override;
    void WriteFile(const uint16_t* pixels) override;

private:
    std::string fileName_;
    std::shared_ptr<CaptureRecord> record_;
    bool failWrite_;
    int width_ = 0;
    int height_ = 0;
};

class FakeDisplayTarget final : public IDisplayTarget {
public:
    void PrepareDisplay(const DisplayFrame& frame) override;
    int calls = 0;
    DisplayFrame last;
    std::vector<uint16_t> pixels;
};

}  // namespace orva::test
