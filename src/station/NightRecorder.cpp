#include "station/NightRecorder.h"

#include "station/NightPlan.h"
#include "station/Station.h"

namespace orva {

std::optional<RecordingSessionOptions> NightRecorder::OptionsFor(const std::string& format) {
    RecordingSessionOptions o;
    if (format == "ser") {
        o.format = RecordingFormat::Ser;
    } else if (format == "adv") {
        o.format = RecordingFormat::Adv;
    } else if (format == "adv-compressed") {
        o.format = RecordingFormat::Adv;
        o.compress = true;
    } else if (format == "fits-seq") {
        o.format = RecordingFormat::FitsSequence;
    } else {
        return std::nullopt;
    }
    return o;
}

bool NightRecorder::Start(const NightPlanEntry& entry, const std::string& format, std::string& error) {
    std::optional<RecordingSessionOptions> options = OptionsFor(format);
    if (!options) {
        error = "the plan's format '" + format + "' is not one of ser, adv, adv-compressed, fits-seq";
        return false;
    }
    if (!station_.IsStreaming()) {
        error = "the camera does not stream";
        return false;
    }
    options->windowStartTicks = entry.startTicks;
    options->windowEndTicks = entry.endTicks;
    options->objectName = entry.title;
    session_ = std::make_unique<RecordingSession>(station_);
    if (!session_->Start(*options)) {
        error = session_->FailureMessage().empty() ? "the recording could not start" : session_->FailureMessage();
        session_.reset();
        return false;
    }
    return true;
}

bool NightRecorder::Step() {
    if (session_ == nullptr) return false;
    session_->Step();
    return !session_->IsFinished();
}

void NightRecorder::Stop() {
    if (session_ != nullptr) session_->Stop();
}

NightRecordingResult NightRecorder::Result() const {
    NightRecordingResult r;
    if (session_ == nullptr) return r;
    r.file = session_->RecordingPath();
    r.frames = session_->FramesWritten();
    r.missed = static_cast<int64_t>(station_.MissedFrameList().size());
    r.outcome = session_->Outcome();
    r.failure = session_->FailureMessage();
    return r;
}

}  // namespace orva
