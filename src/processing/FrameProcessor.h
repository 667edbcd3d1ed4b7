#pragma once
// Turns each raw camera frame into the working image and hands it on: a pipeline of
// stages run in order on the stream's consumer thread, each frame travelling through them
// as one CameraFrame. Unpack with statistics, the timing record and the camera status;
// row noise; calibration (the three on the worker pool); the guiding centroid; the burnt-in
// PC time; FITS captures; the frame counters and time stamp checks; the recording; the
// live view's picture on request.
//
// Threads:
// - ConsumeFrame: the stream's consumer thread only. It alone feeds, stops and detaches
//   the attached writer and works off FITS captures.
// - Options, AttachWriter, RequestStopRecording, StartFitsCapture, the display request
//   and the read-outs: any other thread (the GUI's). Every hand-over is atomic or
//   locked inside the stage that owns it.
// - The worker pool's threads touch only their rows of the image during a task.

#include "common/Clock.h"
#include "common/UtcTime.h"
#include "processing/CalibrationImage.h"
#include "processing/CalibrationStage.h"
#include "processing/FitsCaptureStage.h"
#include "processing/FitsRecordingJob.h"
#include "processing/FrameIntegrityStage.h"
#include "processing/FramePipeline.h"
#include "processing/FrameUnpackStage.h"
#include "processing/FrameWorkerPool.h"
#include "processing/GuidingStage.h"
#include "processing/IDisplayTarget.h"
#include "processing/IFitsCaptureSink.h"
#include "processing/IFrameCamera.h"
#include "processing/IRecordingSink.h"
#include "processing/LiveViewStage.h"
#include "processing/PcTimeStage.h"
#include "processing/RecordingStage.h"
#include "processing/RowNoiseStage.h"
#include "stream/IStreamFrameConsumer.h"

#include <atomic>
#include <cstdint>
#include <memory>
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

class FrameProcessor final : public IStreamFrameConsumer {
public:
    // Buffer limits: frames beyond them are rejected with a log line.
    static constexpr int64_t kMaxPixels = FrameUnpackStage::kMaxPixels;
    static constexpr int kMaxRows = FrameUnpackStage::kMaxRows;
    static constexpr std::size_t kMaxMissedFrameListEntries = RecordingStage::kMaxMissedFrameListEntries;

    // The setting "NofFrameProcessorThreads": a decimal 1..16; anything else gives 4.
    static int ThreadCountFromSetting(std::string_view text);

    explicit FrameProcessor(const FrameProcessorOptions& options);
    ~FrameProcessor() override;
    FrameProcessor(const FrameProcessor&) = delete;
    FrameProcessor& operator=(const FrameProcessor&) = delete;

    // IStreamFrameConsumer (consumer thread).
    bool IsSuspended() const override { return suspended_.load(); }
    void ConsumeFrame(CameraFrame& frame) override;

    int ThreadCount() const { return pool_.ThreadCount(); }

    // Options (any thread), read once per frame.
    void SetSuspended(bool on) { suspended_ = on; }
    void SetPcTime(bool on) { pcTime_.SetEnabled(on); }
    void SetFpnReduction(bool on) { rowNoise_.SetEnabled(on); }
    void SetEightBit(bool on) { liveView_.SetEightBit(on); }
    void SetDarkEnabled(bool on) { calibration_.SetDarkEnabled(on); }
    void SetPedestal(uint16_t pedestal) { calibration_.SetPedestal(pedestal); }
    // A dark or flat of another size than the frame is not applied.
    void SetDarkFrame(std::shared_ptr<const CalibrationImage> dark) { calibration_.SetDarkFrame(std::move(dark)); }
    // normalization: the flat's mean; 0 switches flat division off.
    void SetFlatFrame(std::shared_ptr<const CalibrationImage> flat, uint16_t normalization) {
        calibration_.SetFlatFrame(std::move(flat), normalization);
    }
    // The settings the frame path follows.
    void SetUseTimeResolution100us(bool on) { unpack_.SetUseTimeResolution100us(on); }
    void SetShowOverflow(bool on) { liveView_.SetShowOverflow(on); }
    bool ShowsOverflow() const { return liveView_.ShowsOverflow(); }
    void SetClipOnOverflow(bool on) { liveView_.SetClipOnOverflow(on); }
    void SetPerformanceLogEnabled(bool on) { pipeline_.SetPerformanceLogEnabled(on); }

    // Recording. AttachWriter takes a started writer (false while one is attached) and
    // resets the recording's read-outs. From then on only the frame path uses it, until
    // it detaches it: after a stop request, or after a write failure (kept for
    // TakeRecordingFailure). The writer must outlive its attachment.
    bool AttachWriter(IRecordingSink* writer) { return recording_.Attach(writer); }
    void RequestStopRecording() { recording_.RequestStop(); }
    bool IsWriterAttached() const { return recording_.IsAttached(); }
    // Takes the writer back unstopped, for a recording whose camera sends no frame any
    // more. Only while no frame can reach the processor (it is off the stream); the
    // caller then stops the writer itself.
    IRecordingSink* ReleaseWriter() { return recording_.Release(); }
    std::optional<std::string> TakeRecordingFailure() { return recording_.TakeFailure(); }
    // The frame times of the attached recording while its writer is recording, else null.
    RecordingFrameTimes* ActiveRecording() { return recording_.ActiveRecording(); }

    // FITS capture of one frame (no job) or of the job's average. The job stays the
    // caller's and must outlive the capture. False for a missing sink or a job asking
    // for 0 or more than FrameAverager::kMaxFrames frames.
    bool StartFitsCapture(FitsRecordingJob* job, std::unique_ptr<IFitsCaptureSink> sink) {
        return fitsCapture_.Start(job, std::move(sink));
    }
    bool IsFitsFileCompleted(const std::string& fileName) const { return fitsCapture_.IsFileCompleted(fileName); }
    std::optional<std::string> TakeCaptureFailure() { return fitsCapture_.TakeFailure(); }

    // The live view's hook: it sets a target and requests frames; the frame path hands
    // the next frame to the target and reports it ready.
    void SetDisplayTarget(IDisplayTarget* target) { liveView_.SetTarget(target); }
    void RequestDisplay() { liveView_.Request(); }
    bool TakeDisplayReady() { return liveView_.TakeReady(); }
    // FormatOverlayText of the frame prepared for the view last.
    std::string TextLine() const { return liveView_.TextLine(); }

    // Read-outs.
    int32_t CurrentFrameNumber() const { return unpack_.CurrentFrameNumber(); }
    // Frames that went the whole way through the frame path.
    int64_t FramesProcessed() const { return framesProcessed_.load(std::memory_order_acquire); }
    int64_t MissedTotal() const { return integrity_.MissedTotal(); }
    void ResetMissedTotal() { integrity_.ResetMissedTotal(); }
    bool FullFix() const { return unpack_.FullFix(); }
    uint16_t Width() const { return unpack_.Width(); }
    uint16_t Height() const { return unpack_.Height(); }
    RecordingSummary Recording() const { return recording_.Summary(); }
    std::vector<int32_t> MissedFrameList() const { return recording_.MissedFrameList(); }
    const RecordingFrameTimes& FrameTimes() const { return recording_.FrameTimes(); }

private:
    std::unique_ptr<GuidingService> ownGuiding_;  // when none was given
    FrameWorkerPool pool_;
    std::atomic<bool> suspended_{false};
    std::atomic<int64_t> framesProcessed_{0};

    // The stages, in the order the frames go through them.
    FrameUnpackStage unpack_;
    RowNoiseStage rowNoise_;
    CalibrationStage calibration_;
    GuidingStage guiding_;
    PcTimeStage pcTime_;
    FitsCaptureStage fitsCapture_;
    FrameIntegrityStage integrity_;
    RecordingStage recording_;
    LiveViewStage liveView_;
    FramePipeline pipeline_;
};

}  // namespace orva
