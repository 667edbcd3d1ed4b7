#include "processing/FrameProcessor.h"

#include "common/Log.h"
#include "processing/Calibration.h"
#include "processing/CameraStatusFromOverlay.h"
#include "processing/FrameTimestamp.h"
#include "processing/FrameUnpack.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/OverlayText.h"
#include "processing/ParseBinaryOverlay.h"
#include "processing/RowNoise.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "processing/TimeBurnIn.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <exception>
#include <span>

namespace orva {
namespace {

constexpr int kDefaultThreadCount = 4;
// Below this many pixels per part, handing rows to another thread costs more than it saves.
// Above it the parts stay small, so that the threads finish close together.
constexpr int64_t kMinPixelsPerPart = 1 << 15;
// The camera's text overlay (mode 2) fills the 16 rows above the record row.
constexpr int kTextOverlayMode = 2;
constexpr int kTextOverlayRows = 16;

// Rows of part `part` of `parts`.
int RowSplit(int height, int part, int parts) {
    return static_cast<int>(static_cast<int64_t>(height) * part / parts);
}

RecordingEndpoint EndpointOf(const CalendarTime& time, const BinaryOverlay& o) {
    RecordingEndpoint e;
    e.fileTime = FileTimeOf(time);
    e.timeFlag = o.TimeFlag;
    e.accuracyM = (o.FixState & 1) ? o.AccuracyM : 0;
    return e;
}

}  // namespace

int FrameProcessor::ThreadCountFromSetting(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 1 || value > FrameWorkerPool::kMaxThreads) {
        return kDefaultThreadCount;
    }
    return value;
}

FrameProcessor::FrameProcessor(const FrameProcessorOptions& options)
    : cameras_(options.cameras),
      ownGuiding_(options.guiding != nullptr ? nullptr : std::make_unique<GuidingService>()),
      guiding_(options.guiding != nullptr ? *options.guiding : *ownGuiding_),
      gpsLog_(options.gpsLog != nullptr ? *options.gpsLog : GpsLog::Instance()),
      clock_(*options.clock),
      pcClock_(options.pcClock),
      pool_(options.threadCount < 1 || options.threadCount > FrameWorkerPool::kMaxThreads ? kDefaultThreadCount
                                                                                           : options.threadCount),
      image_(static_cast<std::size_t>(kMaxPixels)),
      averageImage_(static_cast<std::size_t>(kMaxPixels)),
      rowOffsets_(kMaxRows),
      averager_(static_cast<std::size_t>(kMaxPixels)) {
    ThreadSafeDoubleBuffer& histogram =
        options.histogram != nullptr ? *options.histogram : ThreadSafeDoubleBuffer::Instance();
    std::memset(histogram.GetWriteBuffer(), 0, ThreadSafeDoubleBuffer::kSizeBytes);
    LogMessageInt("I FrameProcessor starting with # threads:", pool_.ThreadCount());
}

FrameProcessor::~FrameProcessor() { delete pendingCapture_.exchange(nullptr); }

void FrameProcessor::SetFrameSize(uint16_t width, uint16_t height) {
    width_ = width;
    height_ = height;
}

RecordingFrameTimes* FrameProcessor::ActiveRecording() { return writer_.load() != nullptr ? &frameTimes_ : nullptr; }

void FrameProcessor::SetDarkFrame(std::shared_ptr<const CalibrationImage> dark) {
    std::lock_guard lock(calibrationMutex_);
    dark_ = std::move(dark);
    calibrationMismatchLogged_ = false;
}

void FrameProcessor::SetFlatFrame(std::shared_ptr<const CalibrationImage> flat, uint16_t normalization) {
    std::lock_guard lock(calibrationMutex_);
    flat_ = std::move(flat);
    flatNormalization_ = normalization;
    calibrationMismatchLogged_ = false;
}

bool FrameProcessor::AttachWriter(IRecordingSink* writer) {
    if (writer == nullptr || writer_.load() != nullptr) return false;
    {
        std::lock_guard lock(outputMutex_);
        recording_ = RecordingSummary{};
        missedFrames_.clear();
        recordingFailure_.reset();
    }
    frameTimes_.firstFrameMs = -1;
    frameTimes_.lastFrameMs = -1;
    stopRequested_ = false;  // a request left from before belongs to no recording
    writer_.store(writer);
    return true;
}

std::optional<std::string> FrameProcessor::TakeRecordingFailure() {
    std::lock_guard lock(outputMutex_);
    std::optional<std::string> failure = std::move(recordingFailure_);
    recordingFailure_.reset();
    return failure;
}

bool FrameProcessor::StartFitsCapture(FitsRecordingJob* job, std::unique_ptr<IFitsCaptureSink> sink) {
    if (sink == nullptr) return false;
    if (job != nullptr) {
        const int32_t frames = job->framesToAverage.load();
        if (frames < 1 || frames > FrameAverager::kMaxFrames) return false;
        job->framesAccumulated = 0;
        job->state = FitsJobState::Running;
    }
    {
        // A file of this name written earlier (and removed since) does not complete this one.
        std::lock_guard lock(outputMutex_);
        completedFiles_.erase(sink->GetFileName());
    }
    auto* capture = new FitsCapture{job, std::move(sink)};
    // A capture that the frame path has not taken yet is replaced.
    delete pendingCapture_.exchange(capture);
    return true;
}

bool FrameProcessor::IsFitsFileCompleted(const std::string& fileName) const {
    std::lock_guard lock(outputMutex_);
    const auto it = completedFiles_.find(fileName);
    return it != completedFiles_.end() && it->second == 1;
}

std::optional<std::string> FrameProcessor::TakeCaptureFailure() {
    std::lock_guard lock(outputMutex_);
    std::optional<std::string> failure = std::move(captureFailure_);
    captureFailure_.reset();
    return failure;
}

std::string FrameProcessor::TextLine() const {
    std::lock_guard lock(outputMutex_);
    return textLine_;
}

RecordingSummary FrameProcessor::Recording() const {
    std::lock_guard lock(outputMutex_);
    return recording_;
}

std::vector<int32_t> FrameProcessor::MissedFrameList() const {
    std::lock_guard lock(outputMutex_);
    return missedFrames_;
}

void FrameProcessor::ConsumeFrame(const uint8_t* data) {
    if (suspended_) return;
    const std::shared_ptr<IFrameCamera> camera = cameras_ != nullptr ? cameras_->ActiveCamera() : nullptr;
    if (camera == nullptr) {
        LogMessage("I ConsumeFrame: camera not available");
        return;
    }
    const Clock::TimePoint t0 = clock_.Now();
    const auto checkpoint = [&] {
        return std::chrono::duration_cast<std::chrono::microseconds>(clock_.Now() - t0).count() / 1000;
    };
    const bool wantHires = useTimeResolution100us_;

    int width = width_;
    const int height = height_;
    const VideoResolution* resolution = camera->ActiveResolution();
    const int transferWidth = width;
    const bool packed = resolution != nullptr && width == resolution->TransferWidth() &&
                        resolution->TransferWidth() < resolution->Width();
    if (packed) width = resolution->Width();
    if (!AcceptFrameSize(width, height, packed, transferWidth)) return;
    width_ = static_cast<uint16_t>(width);
    uint16_t* image = image_.Data();
    const int64_t pixels = static_cast<int64_t>(width) * height;

    const ImageStatistics stats = UnpackFrame(data, packed, width, height, image, pool_, PartsFor(width, height));
    const uint32_t imageMean = stats.Mean();

    ParseBinaryOverlay(overlay_, std::span<const uint16_t>(image, static_cast<std::size_t>(pixels)), width, height);
    const CameraStatus status =
        camera->UpdateStatusFromFrame(OverlayStatusFieldsOf(overlay_), CalendarFields(overlay_.FromTime));
    fullFix_ = (overlay_.FixState & 3) == 3;

    if ((status.highTimeResolution != 0) != wantHires) {
        LogMessageInt("I Camera high resolution mode switching to", wantHires ? 1 : 0);
        camera->EnableDisableHires(wantHires);  // logs its own failure; retried next frame
    }

    currentFrameNumber_ = overlay_.FrameNr;
    const uint64_t frameTimestamp = FrameTimestampTicks(overlay_.FromTime);
    gpsLog_.WriteIfNewMinute(overlay_, lastLoggedMinute_);
    const int64_t c1 = checkpoint();

    const bool rowNoise = fpnReduction_ && stats.count > 0;
    if (rowNoise) MeasureRowNoise(width, height, imageMean);
    const int64_t c2 = checkpoint();

    const int firstUntouchedRow = status.overlayMode == kTextOverlayMode ? height - 1 - kTextOverlayRows : height - 1;
    Calibrate(width, height, firstUntouchedRow, rowNoise);
    const int64_t c3 = checkpoint();

    const auto [targetX, targetY] = guiding_.Target();
    if (targetX >= 1 && targetY >= 1) {
        if (const auto c = centroid_.Measure(image, width, height, targetX, targetY, guiding_.radius)) {
            guiding_.SetCentroid(c->column, c->row);
        }
    }
    int pcTimeColumns = 0;
    if (pcTime_) {
        const std::string text = FormatPcTimeText(pcClock_());
        BurnInText(image, width, height, text);
        pcTimeColumns = static_cast<int>(text.size()) * 8;
    }
    const int64_t c4 = checkpoint();

    RunFitsCapture(width, height);
    const int64_t c5 = checkpoint();

    if (stopRequested_.exchange(false)) {
        if (IRecordingSink* writer = writer_.load()) {
            if (!writer->StopRecording() && writer->HasFailed()) {
                std::lock_guard lock(outputMutex_);
                recordingFailure_ = writer->FailureMessage();
            }
            writer_ = nullptr;
        }
    }

    if (lastFrameNumber_ != 0) missedTotal_ += static_cast<int64_t>(overlay_.FrameNr) - lastFrameNumber_ - 1;
    integrity_.Check(frameTimestamp, overlay_);
    if (IRecordingSink* writer = writer_.load()) RecordFrame(*writer, width, height, frameTimestamp);
    const int64_t c6 = checkpoint();

    PrepareDisplay(width, height, pcTimeColumns, status);
    const int64_t c7 = checkpoint();

    if (performanceLogEnabled_) performance_.Add({c1, c2 - c1, c3 - c2, c4 - c3, c5 - c4, c6 - c5, c7 - c6});
    lastFrameNumber_ = overlay_.FrameNr;
    framesProcessed_.fetch_add(1, std::memory_order_release);
}

bool FrameProcessor::AcceptFrameSize(int width, int height, bool packed, int transferWidth) {
    const char* problem = nullptr;
    if (width < 1 || height < 1) {
        problem = "E ConsumeFrame: empty frame rejected, width/height:";
    } else if (height > kMaxRows || static_cast<int64_t>(width) * height > kMaxPixels) {
        problem = "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height:";
    } else if (packed && (!IsUnpackableWidth(width, true) || RawRowBytes(width, true) != 2 * int64_t{transferWidth})) {
        problem = "E ConsumeFrame: packed row length does not match the video mode, rejected, width/height:";
    }
    if (problem == nullptr) {
        rejectedSize_ = -1;
        return true;
    }
    // Once per size, not at the camera's frame rate.
    const int64_t size = static_cast<int64_t>(width) << 32 | static_cast<uint32_t>(height);
    if (size != rejectedSize_) LogMessageInt2(problem, width, height);
    rejectedSize_ = size;
    return false;
}

int FrameProcessor::PartsFor(int width, int height) const {
    if (pool_.ThreadCount() == 1) return 1;
    const int64_t parts = static_cast<int64_t>(width) * height / kMinPixelsPerPart;
    return static_cast<int>(std::clamp<int64_t>(parts, 1, FrameWorkerPool::kMaxParts));
}

void FrameProcessor::MeasureRowNoise(int width, int height, uint32_t imageMean) {
    const IntensityBand band = IntensityBand::AroundMean(imageMean);
    int64_t partSums[FrameWorkerPool::kMaxParts] = {};
    const uint16_t* image = image_.Data();
    int32_t* offsets = rowOffsets_.Data();
    pool_.Run(PartsFor(width, height), [&](int part, int parts) {
        partSums[part] = MeasureRowMeans(image, width, RowSplit(height, part, parts), RowSplit(height, part + 1, parts),
                                         band, imageMean, offsets);
    });
    int64_t sum = 0;
    for (const int64_t s : partSums) sum += s;
    RowMeansToOffsets(offsets, height, sum);
}

void FrameProcessor::Calibrate(int width, int height, int firstUntouchedRow, bool rowNoiseMeasured) {
    std::shared_ptr<const CalibrationImage> dark;
    std::shared_ptr<const CalibrationImage> flat;
    uint16_t normalization = 0;
    bool logMismatch = false;
    {
        std::lock_guard lock(calibrationMutex_);
        if (darkEnabled_) dark = dark_;
        flat = flat_;
        normalization = flatNormalization_;
        const bool mismatch = (dark != nullptr && !dark->Fits(width, height)) ||
                              (flat != nullptr && normalization != 0 && !flat->Fits(width, height));
        logMismatch = mismatch && !calibrationMismatchLogged_;
        if (mismatch) calibrationMismatchLogged_ = true;
    }
    if (logMismatch) LogMessageInt2("W ConsumeFrame: calibration frame size differs from the frame, not applied:", width, height);

    CalibrationParams params;
    params.rowOffsets = rowNoiseMeasured ? rowOffsets_.Data() : nullptr;
    params.firstUntouchedRow = firstUntouchedRow;
    if (dark != nullptr && dark->Fits(width, height)) {
        params.dark = dark->pixels.data();
        params.pedestal = pedestal_;
    }
    if (flat != nullptr && flat->Fits(width, height)) {
        params.flat = flat->pixels.data();
        params.flatNormalization = normalization;
    }
    if (params.IsIdentity()) return;
    uint16_t* image = image_.Data();
    pool_.Run(PartsFor(width, height), [&](int part, int parts) {
        CalibrateRows(image, width, RowSplit(height, part, parts), RowSplit(height, part + 1, parts), params);
    });
}

void FrameProcessor::RunFitsCapture(int width, int height) {
    if (FitsCapture* incoming = pendingCapture_.exchange(nullptr)) capture_.reset(incoming);
    if (capture_ == nullptr) return;
    FitsCapture& capture = *capture_;
    IFitsCaptureSink& sink = *capture.sink;
    const uint16_t* image = image_.Data();

    if (capture.job == nullptr) {
        const std::string fileName = sink.GetFileName();
        try {
            // The header is filled with the size of the frame actually written.
            sink.FillStaticHeader(width, height);
            sink.WriteDynamicHeader(overlay_);
            sink.WriteFile(image);
            FinishCapture(true, fileName, {});
        } catch (const std::exception& e) {
            FinishCapture(false, fileName, e.what());
        }
        return;
    }

    FitsRecordingJob& job = *capture.job;
    if (!job.started) return;
    if (job.state == FitsJobState::CancelRequested) {
        job.state = FitsJobState::Cancelled;
        capture_.reset();
        return;
    }
    const int32_t wanted = job.framesToAverage;
    try {
        if (!capture.headerWritten) {
            sink.FillStaticHeader(width, height);
            sink.WriteDynamicHeader(overlay_);
            const FitsFrameKind kind = job.kind;
            if (kind == FitsFrameKind::Dark || kind == FitsFrameKind::Flat) {
                sink.SetHeaderValue("IMAGETYP", kind == FitsFrameKind::Dark ? "Dark Frame" : "Flat Frame");
                sink.SetHeaderValue("HISTORY", "AVG_" + std::to_string(wanted));
            } else {
                sink.SetHeaderValue("IMAGETYP", "Light Frame");
            }
            capture.headerWritten = true;
            capture.width = width;
            capture.height = height;
            averager_.Start(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        }
        if (width != capture.width || height != capture.height) {
            job.state = FitsJobState::Failed;
            FinishCapture(false, sink.GetFileName(), "The frame size changed during the capture.");
            return;
        }
        averager_.Add(image);
        job.framesAccumulated = averager_.Count();
        if (averager_.Count() < wanted) return;
        averager_.Average(averageImage_.Data());
        const std::string fileName = sink.GetFileName();
        sink.WriteFile(averageImage_.Data());
        FinishCapture(true, fileName, {});
    } catch (const std::exception& e) {
        job.state = FitsJobState::Failed;
        FinishCapture(false, sink.GetFileName(), e.what());
    }
}

void FrameProcessor::FinishCapture(bool written, const std::string& fileName, const std::string& failure) {
    capture_.reset();
    std::lock_guard lock(outputMutex_);
    if (written) {
        completedFiles_[fileName] = 1;
        return;
    }
    LogMessageString("E ConsumeFrame: FITS capture failed:", fileName + ": " + failure);
    captureFailure_ = failure;
}

void FrameProcessor::RecordFrame(IRecordingSink& writer, int width, int height, uint64_t frameTimestamp) {
    const BinaryOverlay& o = overlay_;
    const int32_t before = writer.GetFrameCount();
    const uint64_t byteCount = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 2;
    const bool ok = writer.AddFrame(image_.Data(), byteCount, frameTimestamp, o) && !writer.HasFailed();
    // The read-outs count only what reached the file: a frame the gate passes over (every
    // n-th frame, past the end of a timed recording) or the writer refuses is not recorded.
    {
        std::lock_guard lock(outputMutex_);
        // Frames the camera skipped since the last frame seen, once the recording has begun.
        for (int64_t n = int64_t{lastFrameNumber_} + 1;
             before > 0 && n < o.FrameNr && missedFrames_.size() < kMaxMissedFrameListEntries; ++n) {
            missedFrames_.push_back(static_cast<int32_t>(n));
        }
        if (writer.GetFrameCount() > before) {
            if (before == 0) {
                recording_.recordedFrames = 1;
                missedFrames_.clear();
                recording_.start = EndpointOf(o.FromTime, o);
                recording_.formatDescription = writer.GetFormatDescription();
            } else {
                ++recording_.recordedFrames;
            }
            recording_.end = EndpointOf(o.ToTime, o);
            if (o.FixState & 1) {
                ++recording_.gpsCount;
                recording_.accuracySumM += o.AccuracyM;
                recording_.heightSumM += (int64_t{o.HeightMm} + 500) / 1000;
                recording_.latitudeSum += o.Lat;
                recording_.longitudeSum += o.Lon;
            }
        }
    }
    if (!ok) DetachFailedWriter(writer);
}

void FrameProcessor::DetachFailedWriter(IRecordingSink& writer) {
    // The writer has logged the cause; it stops writing, and the frames go on.
    writer.StopRecording();
    writer_ = nullptr;
    std::string message = writer.FailureMessage();
    if (message.empty()) message = "the writer is not recording";
    LogMessageString("E ConsumeFrame: recording stopped after a write failure:", message);
    std::lock_guard lock(outputMutex_);
    recordingFailure_ = message;
}

void FrameProcessor::PrepareDisplay(int width, int height, int pcTimeColumns, const CameraStatus& status) {
    IDisplayTarget* target = displayTarget_.load();
    if (target == nullptr || !displayRequested_.exchange(false)) return;
    DisplayFrame frame;
    frame.pixels = image_.Data();
    frame.width = width;
    frame.height = height;
    frame.overlay = &overlay_;
    frame.status = &status;
    frame.pcTimeColumns = pcTimeColumns;
    frame.showOverflow = showOverflow_;
    frame.clipOnOverflow = clipOnOverflow_;
    frame.eightBit = eightBit_;
    target->PrepareDisplay(frame);
    {
        std::lock_guard lock(outputMutex_);
        textLine_ = FormatOverlayText(overlay_);
    }
    displayReady_ = true;
}

}  // namespace orva
