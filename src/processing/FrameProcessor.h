#pragma once
// Turns each raw camera frame into the working image and hands it on, in one pass on
// the stream's consumer thread: unpack with statistics, decode the timing record, feed
// the camera status, keep the camera's time resolution in line, write the minute's GPS
// log line, remove row noise and calibrate (on the worker pool), measure the guiding
// centroid, burn in the PC time, run FITS captures, check time stamps and counters,
// record, and prepare the live view's frame on request.
//
// Threads:
// - ConsumeFrame, SetFrameSize and ActiveRecording: the stream's consumer thread only.
//   It alone feeds, stops and detaches the attached writer and works off FITS captures.
// - Options, AttachWriter, RequestStopRecording, StartFitsCapture, the display request
//   and the read-outs: any other thread (the GUI's). Every hand-over is atomic or
//   locked; see the members.
// - The worker pool's threads touch only their rows of the image during a task.

#include "common/Clock.h"
#include "common/UtcTime.h"
#include "processing/AlignedBuffer.h"
#include "processing/BinaryOverlay.h"
#include "processing/CalibrationImage.h"
#include "processing/FitsRecordingJob.h"
#include "processing/FrameAverager.h"
#include "processing/FrameIntegrityChecker.h"
#include "processing/FrameWorkerPool.h"
#include "processing/GuidingCentroid.h"
#include "processing/IDisplayTarget.h"
#include "processing/IFitsCaptureSink.h"
#include "processing/IFrameCamera.h"
#include "processing/IRecordingSink.h"
#include "processing/PerformanceAccumulator.h"
#include "stream/IStreamFrameConsumer.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class GpsLog;
class GuidingService;
class ThreadSafeDoubleBuffer;

struct FrameProcessorOptions {
    // 1..16; see ThreadCountFromSetting.
    int threadCount = 4;
    IFrameCameraProvider* cameras = nullptr;
    GuidingService* guiding = nullptr;            // null: a record of the processor's own
    GpsLog* gpsLog = nullptr;                     // null: the process's GPS log
    ThreadSafeDoubleBuffer* histogram = nullptr;  // null: the process's buffer
    Clock* clock = &SteadyClock::Instance();      // stage times
    UtcDateTime (*pcClock)() = &UtcNow;           // the burnt-in PC time
};

// One end of a recording as the recording's report keeps it.
struct RecordingEndpoint {
    int64_t fileTime = -1;  // platform file time; -1 while unset
    uint8_t timeFlag = 0;
    uint16_t accuracyM = 0;  // 0 without a usable position
};

struct RecordingSummary {
    int32_t recordedFrames = 0;
    RecordingEndpoint start;
    RecordingEndpoint end;
    std::string formatDescription;
    // Frames with a usable position, and the sums of their position accuracy and height
    // (whole metres),
    // latitude and longitude (1e-7 degrees).
    int32_t gpsCount = 0;
    int64_t accuracySumM = 0;
    int64_t heightSumM = 0;
    int64_t latitudeSum = 0;
    int64_t longitudeSum = 0;
};

class FrameProcessor final : public IStreamFrameConsumer {
public:
    // Buffer limits: frames beyond them are rejected with a log line.
    static constexpr int64_t kMaxPixels = 16777216;
    static constexpr int kMaxRows = 4096;
    // The missed-frame list stops growing here, so that a corrupt frame number cannot
    // exhaust memory.
    static constexpr std::size_t kMaxMissedFrameListEntries = 100000;

    // The setting "NofFrameProcessorThreads": a decimal 1..16; anything else gives 4.
    static int ThreadCountFromSetting(std::string_view text);

    explicit FrameProcessor(const FrameProcessorOptions& options);
    ~FrameProcessor() override;
    FrameProcessor(const FrameProcessor&) = delete;
    FrameProcessor& operator=(const FrameProcessor&) = delete;

    // IStreamFrameConsumer (consumer thread).
    bool IsSuspended() const override { return suspended_.load(); }
    void SetFrameSize(uint16_t width, uint16_t height) override;
    RecordingFrameTimes* ActiveRecording() override;
    void ConsumeFrame(const uint8_t* data) override;

    int ThreadCount() const { return pool_.ThreadCount(); }

    // Options (any thread), read once per frame.
    void SetSuspended(bool on) { suspended_ = on; }
    void SetPcTime(bool on) { pcTime_ = on; }
    void SetFpnReduction(bool on) { fpnReduction_ = on; }
    void SetEightBit(bool on) { eightBit_ = on; }
    void SetDarkEnabled(bool on) { darkEnabled_ = on; }
    void SetPedestal(uint16_t pedestal) { pedestal_ = pedestal; }
    // A dark or flat of another size than the frame is not applied.
    void SetDarkFrame(std::shared_ptr<const CalibrationImage> dark);
    // normalization: the flat's mean; 0 switches flat division off.
    void SetFlatFrame(std::shared_ptr<const CalibrationImage> flat, uint16_t normalization);
    // The settings the frame path follows.
    void SetUseTimeResolution100us(bool on) { useTimeResolution100us_ = on; }
    void SetShowOverflow(bool on) { showOverflow_ = on; }
    bool ShowsOverflow() const { return showOverflow_; }
    void SetClipOnOverflow(bool on) { clipOnOverflow_ = on; }
    void SetPerformanceLogEnabled(bool on) { performanceLogEnabled_ = on; }

    // Recording. AttachWriter takes a started writer (false while one is attached) and
    // resets the recording's read-outs. From then on only the frame path uses it, until
    // it detaches it: after a stop request, or after a write failure (kept for
    // TakeRecordingFailure). The writer must outlive its attachment.
    bool AttachWriter(IRecordingSink* writer);
    void RequestStopRecording() { stopRequested_ = true; }
    bool IsWriterAttached() const { return writer_.load() != nullptr; }
    // Takes the writer back unstopped, for a recording whose camera sends no frame any
    // more. Only while no frame can reach the processor (it is off the stream); the
    // caller then stops the writer itself.
    IRecordingSink* ReleaseWriter() {
        stopRequested_ = false;
        return writer_.exchange(nullptr);
    }
    std::optional<std::string> TakeRecordingFailure();

    // FITS capture of one frame (no job) or of the job's average. The job stays the
    // caller's and must outlive the capture. False for a missing sink or a job asking
    // for 0 or more than FrameAverager::kMaxFrames frames.
    bool StartFitsCapture(FitsRecordingJob* job, std::unique_ptr<IFitsCaptureSink> sink);
    bool IsFitsFileCompleted(const std::string& fileName) const;
    std::optional<std::string> TakeCaptureFailure();

    // The live view's hook: it sets a target and requests frames; the frame path hands
    // the next frame to the target and reports it ready.
    void SetDisplayTarget(IDisplayTarget* target) { displayTarget_ = target; }
    void RequestDisplay() { displayRequested_ = true; }
    bool TakeDisplayReady() { return displayReady_.exchange(false); }
    // FormatOverlayText of the frame prepared for the view last.
    std::string TextLine() const;

    // Read-outs.
    int32_t CurrentFrameNumber() const { return currentFrameNumber_.load(); }
    // Frames that went the whole way through the frame path.
    int64_t FramesProcessed() const { return framesProcessed_.load(std::memory_order_acquire); }
    int64_t MissedTotal() const { return missedTotal_.load(); }
    void ResetMissedTotal() { missedTotal_ = 0; }
    bool FullFix() const { return fullFix_.load(); }
    uint16_t Width() const { return width_.load(); }
    uint16_t Height() const { return height_.load(); }
    RecordingSummary Recording() const;
    std::vector<int32_t> MissedFrameList() const;
    const RecordingFrameTimes& FrameTimes() const { return frameTimes_; }

private:
    struct FitsCapture {
        FitsRecordingJob* job = nullptr;
        std::unique_ptr<IFitsCaptureSink> sink;
        bool headerWritten = false;
        int width = 0;
        int height = 0;
    };

    bool AcceptFrameSize(int width, int height, bool packed, int transferWidth);
    int PartsFor(int width, int height) const;
    void MeasureRowNoise(int width, int height, uint32_t imageMean);
    void Calibrate(int width, int height, int firstUntouchedRow, bool rowNoiseMeasured);
    void RunFitsCapture(int width, int height);
    void FinishCapture(bool written, const std::string& fileName, const std::string& failure);
    void RecordFrame(IRecordingSink& writer, int width, int height, uint64_t frameTimestamp);
    void DetachFailedWriter(IRecordingSink& writer);
    void PrepareDisplay(int width, int height, int pcTimeColumns, const CameraStatus& status);

    // Collaborators.
    IFrameCameraProvider* cameras_;
    std::unique_ptr<GuidingService> ownGuiding_;  // when none was given
    GuidingService& guiding_;
    GpsLog& gpsLog_;
    Clock& clock_;
    UtcDateTime (*pcClock_)();
    FrameWorkerPool pool_;

    // Options handed over by other threads.
    std::atomic<bool> suspended_{false};
    std::atomic<bool> pcTime_{false};
    std::atomic<bool> fpnReduction_{false};
    std::atomic<bool> eightBit_{false};
    std::atomic<bool> darkEnabled_{false};
    std::atomic<uint16_t> pedestal_{2048};
    std::atomic<bool> useTimeResolution100us_{false};
    std::atomic<bool> showOverflow_{false};
    std::atomic<bool> clipOnOverflow_{false};
    std::atomic<bool> performanceLogEnabled_{false};
    mutable std::mutex calibrationMutex_;  // guards the four below
    std::shared_ptr<const CalibrationImage> dark_;
    std::shared_ptr<const CalibrationImage> flat_;
    uint16_t flatNormalization_ = 0;
    bool calibrationMismatchLogged_ = false;  // a size mismatch is logged once per frame set
    std::atomic<IRecordingSink*> writer_{nullptr};
    std::atomic<bool> stopRequested_{false};
    std::atomic<FitsCapture*> pendingCapture_{nullptr};  // owned; taken by the frame path
    std::atomic<IDisplayTarget*> displayTarget_{nullptr};
    std::atomic<bool> displayRequested_{false};
    std::atomic<bool> displayReady_{false};

    // Read-outs for other threads.
    std::atomic<uint16_t> width_{0};
    std::atomic<uint16_t> height_{0};
    std::atomic<int32_t> currentFrameNumber_{0};
    std::atomic<int64_t> framesProcessed_{0};
    std::atomic<int64_t> missedTotal_{0};
    std::atomic<bool> fullFix_{false};
    RecordingFrameTimes frameTimes_;
    mutable std::mutex outputMutex_;  // guards the read-outs below
    RecordingSummary recording_;
    std::vector<int32_t> missedFrames_;
    std::map<std::string, int> completedFiles_;
    std::string textLine_;
    std::optional<std::string> recordingFailure_;
    std::optional<std::string> captureFailure_;

    // Frame path state (consumer thread and, during a task, the workers' rows).
    AlignedBuffer<uint16_t> image_;
    AlignedBuffer<uint16_t> averageImage_;
    AlignedBuffer<int32_t> rowOffsets_;
    FrameAverager averager_;
    BinaryOverlay overlay_;
    FrameIntegrityChecker integrity_;
    GuidingCentroid centroid_;
    PerformanceAccumulator performance_;
    std::unique_ptr<FitsCapture> capture_;
    int32_t lastFrameNumber_ = 0;
    int lastLoggedMinute_ = 0;
    int64_t rejectedSize_ = -1;  // the rejected size logged last, to log it once
};

}  // namespace orva
