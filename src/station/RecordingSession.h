#pragma once
// One recording from start to finish, the same for every front end: the writer chosen
// from the format, the start sequence (folder checks and names, the writer opened with
// the station's equipment names and the program's version, the camera's recording
// marker, the hand-over to the frame processor through the frame gate), the stop
// conditions, and the finish.
//
//   Start        -> Recording  (the frame processor feeds the writer)
//   Step / Stop  -> Stopping   (the frame processor stops the writer at its next frame)
//   Step         -> Finished   (the writer is let go; a camera that sends no frame any
//                               more does not keep the file open: after a grace time the
//                               station's stream is stopped and the session closes the
//                               file itself)
//
// A recording started while an occultation event is next is prepared for it in the
// station's event store, and assigned to it (times, GPS average, equipment) when it ends;
// an ADV recording carries the event's title as its object name.
//
// Step() is the housekeeping call (the front end's timer or loop); it notices the gate's
// limit, a write failure, a camera whose link could not be recovered, and the safety
// stop of a timed recording that gets no frames.
//
// Threads: GUI thread (the station's). The writer belongs to the frame processor's thread
// between the hand-over and the moment it is let go.

#include "recording/AdvWriter.h"
#include "recording/BaseWriter.h"
#include "recording/RecordingControl.h"
#include "station/RecordingOutcome.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class Station;

struct RecordingSessionOptions {
    RecordingFormat format = RecordingFormat::Ser;
    // ADV only: compress with LAGARITH16; none: the setting "EnableAdvCompression".
    std::optional<bool> compress;
    int32_t frameInterval = 1;   // every n-th frame
    int64_t frameLimit = 0;      // 0: no limit
    uint64_t durationTicks = 0;  // 100-ns ticks of frame time; 0: no limit
    // A window of frame time to keep to (see RecordingGateOptions); 0: open.
    uint64_t windowStartTicks = 0;
    uint64_t windowEndTicks = 0;
    std::vector<AdvRegion> zones;  // ADV regions of interest
    // ADV only; none: the title of the event store's next event (empty without one).
    std::optional<std::string> objectName;
};

class RecordingSession {
public:
    enum class State { Idle, Recording, Stopping, Finished };

    explicit RecordingSession(Station& station);
    // A session still running is stopped and finished.
    ~RecordingSession();
    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    // False when nothing started: the reason was shown as a message (missing folder,
    // already recording) or is in FailureMessage().
    bool Start(const RecordingSessionOptions& options);
    void Step();
    // Asks the frame processor to stop the writer at its next frame.
    void Stop(RecordingOutcome why = RecordingOutcome::StoppedByUser);

    State GetState() const { return state_; }
    bool IsFinished() const { return state_ == State::Finished; }
    RecordingOutcome Outcome() const { return outcome_; }
    // The writer's failure, or why the start failed; empty when none.
    const std::string& FailureMessage() const { return failure_; }

    // The recording file (a FITS sequence: its folder) and the GPS status CSV (empty
    // when none), as created: numbered when the name was taken. Valid after a
    // successful Start.
    std::string RecordingPath() const;
    std::string StatusCsvPath() const { return writer_ ? writer_->StatusFilePath() : std::string(); }
    std::string FormatDescription() const;
    // Frames and bytes in the file so far (any time).
    int64_t FramesWritten() const { return control_.Gate().FramesWritten(); }
    uint64_t BytesWritten() const { return control_.Gate().BytesWritten(); }

private:
    std::unique_ptr<BaseWriter> OpenWriter(const RecordingCamera& camera);
    void BeginStop(RecordingOutcome why);
    void Finish();
    // Ties the finished recording to the event that was pending at its start.
    void AssignToEvent();

    Station& station_;
    RecordingControl control_;
    RecordingSessionOptions options_;
    RecordingTarget target_;
    std::unique_ptr<BaseWriter> writer_;
    State state_ = State::Idle;
    RecordingOutcome outcome_ = RecordingOutcome::Running;
    std::string failure_;
    double exposureMs_ = 0.0;
    std::optional<std::chrono::steady_clock::time_point> started_;
    std::optional<std::chrono::steady_clock::time_point> stopDeadline_;
};

}  // namespace orva
