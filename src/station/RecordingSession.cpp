#include "station/RecordingSession.h"

#include "common/Log.h"
#include "common/ProgramVersion.h"
#include "common/Settings.h"
#include "recording/FitsSequenceWriter.h"
#include "recording/SerWriter.h"
#include "station/Station.h"

#include <cmath>
#include <filesystem>

namespace orva {
namespace {

using namespace std::chrono_literals;

// How long a stopping recording waits for the frame that lets its writer go.
std::chrono::steady_clock::duration StopGraceTime(double exposureMs) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double, std::milli>(2.0 * exposureMs)) +
           2s;
}

// The camera as the event store keeps it with a recording.
CameraSnapshot EventCameraOf(const RecordingCamera& camera) {
    CameraSnapshot c;
    c.gainDb = camera.gainText;
    if (camera.snapshot && camera.snapshot->model) {
        const CameraModel& model = *camera.snapshot->model;
        c.modelName = model.GetModelName(false);
        c.serialNumber = model.SerialNumber();
        c.sensorName = model.GetSensorName(false);
    }
    if (camera.snapshot) {
        c.statusKnown = true;
        c.exposure100us = camera.snapshot->status.frameTime;
        c.binningX = camera.snapshot->status.binningX;
        c.binningY = camera.snapshot->status.binningY;
    }
    c.resolutionKnown = camera.width > 0 && camera.height > 0;
    c.width = camera.width;
    c.height = camera.height;
    return c;
}

}  // namespace

RecordingSession::RecordingSession(Station& station)
    : station_(station), control_(station.GetSettings(), station.Processor(), station.Ui()) {}

RecordingSession::~RecordingSession() {
    if (state_ == State::Recording) BeginStop(RecordingOutcome::StoppedByUser);
    if (state_ == State::Stopping) Finish();
}

std::unique_ptr<BaseWriter> RecordingSession::OpenWriter(const RecordingCamera& camera) {
    const std::string& path = target_.recordingPath;
    switch (options_.format) {
        case RecordingFormat::Ser: {
            auto ser = std::make_unique<SerWriter>();
            ser->OpenRecording(path, camera.width, camera.height, 16);
            return ser;
        }
        case RecordingFormat::Adv: {
            auto adv = std::make_unique<AdvWriter>(station_.Tools().TelescopeState());
            const bool compress =
                options_.compress.value_or(station_.GetSettings().EnableAdvCompression.IsOn());
            adv->SetSoftwareVersion(ProgramVersionWithBuild());
            adv->OpenRecording(path, camera.width, camera.height, 16, options_.zones, compress);
            return adv;
        }
        case RecordingFormat::FitsSequence: {
            auto fits = std::make_unique<FitsSequenceWriter>();
            fits->OpenRecording(path, camera.width, camera.height, 16);
            return fits;
        }
    }
    return nullptr;
}

bool RecordingSession::Start(const RecordingSessionOptions& options) {
    if (state_ != State::Idle) return false;
    options_ = options;
    const RecordingCamera camera = station_.CurrentRecordingCamera();
    OwEventManager& events = station_.Events();
    if (!events.IsLoaded()) events.Load();
    if (!options_.objectName) {
        const OwEvent* next = events.NextEvent();
        options_.objectName = next ? next->GetTitle() : std::string();
    }
    const auto target = control_.PrepareRecording(options_.format, camera);
    if (!target) return false;  // a message said why, or nothing could record
    target_ = *target;
    writer_ = OpenWriter(camera);
    if (writer_->HasFailed()) {
        failure_ = writer_->FailureMessage();
        return false;
    }
    writer_->SetRecordingNames(station_.CurrentRecordingNames());
    writer_->SetStatusFileName(target_.statusCsvPath);

    RecordingGateOptions gate;
    gate.frameInterval = options_.frameInterval;
    gate.frameLimit = options_.frameLimit;
    gate.durationTicks = options_.durationTicks;
    gate.windowStartTicks = options_.windowStartTicks;
    gate.windowEndTicks = options_.windowEndTicks;
    station_.SetRecordingMarker(true);
    // Only the ADV writer carries an object name.
    const std::optional<std::string> objectName =
        options_.format == RecordingFormat::Adv ? options_.objectName : std::nullopt;
    if (!control_.StartRecording(*writer_, camera, objectName, gate)) {
        station_.SetRecordingMarker(false);
        failure_ = writer_->HasFailed() ? writer_->FailureMessage() : "the recording could not be started";
        writer_.reset();
        return false;
    }
    if (options_.frameInterval > 1) LogMessageInt("I Recording every n-th frame: ", options_.frameInterval);
    events.PrepareRecording(EventCameraOf(camera));
    exposureMs_ = station_.CameraSettings().exposureMs;
    started_ = station_.GetClock().Now();
    state_ = State::Recording;
    return true;
}

void RecordingSession::Step() {
    FrameProcessor& processor = station_.Processor();
    if (state_ == State::Recording) {
        if (control_.Gate().LimitReached()) {
            // The gate asked the frame processor to stop the writer; it may have done so.
            BeginStop(options_.frameLimit > 0 && FramesWritten() >= options_.frameLimit
                          ? RecordingOutcome::FrameLimit
                          : RecordingOutcome::DurationReached);
        } else if (!processor.IsWriterAttached()) {
            // The frame processor let the writer go on its own: a write failed.
            BeginStop(RecordingOutcome::WriteFailed);
        } else if (station_.Recovery().State() == LinkRecoveryState::Failed) {
            BeginStop(RecordingOutcome::CameraLost);
        } else if (options_.durationTicks > 0 &&
                   station_.GetClock().Now() - *started_ >
                       std::chrono::nanoseconds(options_.durationTicks * 100) + 600s) {
            BeginStop(RecordingOutcome::NoFrames);
        }
    }
    if (state_ == State::Stopping) {
        if (!processor.IsWriterAttached() || station_.GetClock().Now() >= *stopDeadline_) Finish();
    }
}

void RecordingSession::Stop(RecordingOutcome why) {
    if (state_ == State::Recording) BeginStop(why);
}

void RecordingSession::BeginStop(RecordingOutcome why) {
    outcome_ = why;
    control_.StopRecording(station_.CurrentRecordingCamera());
    station_.SetRecordingMarker(false);
    stopDeadline_ = station_.GetClock().Now() + StopGraceTime(exposureMs_);
    state_ = State::Stopping;
}

void RecordingSession::Finish() {
    FrameProcessor& processor = station_.Processor();
    if (processor.IsWriterAttached()) {
        // No frame came to let the writer go (a lost or stalled camera): with the stream
        // stopped no frame can reach the processor, and the writer is this thread's.
        station_.StopStreaming();
        processor.ReleaseWriter();
        writer_->StopRecording();
        LogMessage("W RecordingSession: no frame came after the stop request; the recording was closed without it");
    }
    if (auto failure = processor.TakeRecordingFailure()) {
        failure_ = *failure;
        outcome_ = RecordingOutcome::WriteFailed;
    } else if (writer_->HasFailed()) {
        failure_ = writer_->FailureMessage();
        outcome_ = RecordingOutcome::WriteFailed;
    } else if (outcome_ == RecordingOutcome::WriteFailed) {
        failure_ = "the recording stopped";
    }
    control_.ClearStopPending();
    state_ = State::Finished;
    AssignToEvent();
}

void RecordingSession::AssignToEvent() {
    const RecordingSummary recording = station_.Processor().Recording();
    EventRecordingSummary r;
    r.startValid = recording.recordedFrames > 0 && recording.start.fileTime >= 0;
    r.startFileTime = r.startValid ? static_cast<uint64_t>(recording.start.fileTime) : 0;
    r.endValid = recording.recordedFrames > 0 && recording.end.fileTime >= 0;
    r.endFileTime = r.endValid ? static_cast<uint64_t>(recording.end.fileTime) : 0;
    if (recording.gpsCount > 0) {
        const auto mean = [&](int64_t sum) {
            return static_cast<int32_t>(std::llround(static_cast<double>(sum) / recording.gpsCount));
        };
        r.gpsAveragedValues = static_cast<uint32_t>(recording.gpsCount);
        r.gpsPrecisionM = mean(recording.accuracySumM);
        r.gpsLatE7 = mean(recording.latitudeSum);
        r.gpsLonE7 = mean(recording.longitudeSum);
        r.gpsHeightM = mean(recording.heightSumM);
    }
    r.format = recording.formatDescription;
    station_.Events().AssignRecording(r, station_.CurrentEquipment());
}

std::string RecordingSession::RecordingPath() const {
    // A FITS sequence is its folder of numbered files.
    if (options_.format == RecordingFormat::FitsSequence) {
        return std::filesystem::path(target_.recordingPath).parent_path().string();
    }
    return writer_ ? writer_->RecordingFilePath() : std::string();
}

std::string RecordingSession::FormatDescription() const { return writer_ ? writer_->GetFormatDescription() : ""; }

}  // namespace orva
