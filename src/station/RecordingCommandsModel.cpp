#include "station/RecordingCommandsModel.h"

#include "common/Log.h"
#include "station/Station.h"

#include <filesystem>

namespace orva {

RecordingCommandsModel::RecordingCommandsModel(Station& station, DiskSpaceModel::FreeSpaceSource freeSpace)
    : station_(station), disk_(station.GetClock(), std::move(freeSpace)) {}

bool RecordingCommandsModel::CanStart() {
    return station_.IsConnected() && station_.IsStreaming() && !IsRecording() &&
           !station_.Processor().IsWriterAttached();
}

bool RecordingCommandsModel::Start(RecordingFormat format, int32_t frameInterval, uint64_t durationTicks) {
    // A session that has not been stepped to its end still holds the writer.
    if (session_ != nullptr && !session_->IsFinished()) {
        station_.Ui().ShowMessage("Error", "Already recording, please stop the current recording first.",
                                  MessageIcon::Error);
        return false;
    }
    RecordingSessionOptions options;
    options.format = format;
    options.frameInterval = frameInterval;
    options.durationTicks = durationTicks;
    if (format == RecordingFormat::Adv) {
        if (zones) options.zones = zones();
        if (objectName) options.objectName = objectName();
    }
    auto session = std::make_unique<RecordingSession>(station_);
    if (!session->Start(options)) {
        if (!session->FailureMessage().empty()) {
            station_.Ui().ShowMessage("Recording error",
                                      "The recording could not be started: " + session->FailureMessage(),
                                      MessageIcon::Error);
        }
        return false;
    }
    session_ = std::move(session);
    lastOutcome_ = RecordingOutcome::Running;
    stoppedForSpace_ = false;
    disk_.Begin(std::filesystem::path(session_->RecordingPath()).parent_path().string());
    return true;
}

void RecordingCommandsModel::Stop() {
    if (IsRecording()) session_->Stop(RecordingOutcome::StoppedByUser);
}

void RecordingCommandsModel::Step() {
    if (!IsRecording()) return;
    if (session_->GetState() == RecordingSession::State::Recording) {
        disk_.Step(session_->BytesWritten());
        if (disk_.MustStop() && !stoppedForSpace_) {
            stoppedForSpace_ = true;
            LogMessage("W Recording stopped: the disk is nearly full");
            session_->Stop(RecordingOutcome::DiskSpaceLow);
        }
    }
    session_->Step();
    if (session_->IsFinished()) Finished();
}

void RecordingCommandsModel::Finished() {
    disk_.End();
    lastOutcome_ = session_->Outcome();
    if (!IsCompleteOutcome(lastOutcome_)) {
        std::string text = "The recording stopped: " + RecordingOutcomeText(lastOutcome_);
        if (!session_->FailureMessage().empty()) text += " (" + session_->FailureMessage() + ")";
        text += ". The " + std::to_string(session_->FramesWritten()) + " frames recorded so far are kept in " +
                session_->RecordingPath() + ".";
        station_.Ui().ShowMessage("Recording stopped", text, MessageIcon::Error);
    }
    if (onFinished) onFinished(*session_);
}

}  // namespace orva
