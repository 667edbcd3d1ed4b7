#pragma once
// The main window's record commands over one RecordingSession at a time: start a SER,
// ADV or FITS-sequence recording, stop it, and the status timer's part (the session's
// housekeeping, the disk space, and telling the user how a recording ended when it did
// not end as asked).
//
//   Idle -> Start -> recording (Step each tick) -> Stop or an end of its own -> Idle
//
// While a recording runs, the disk model watches the recording folder's disk; the
// recording is stopped while there is still room to close the file.
//
// Threads: GUI thread only (the station's thread).

#include "recording/AdvWriter.h"
#include "recording/RecordingControl.h"
#include "station/DiskSpaceModel.h"
#include "station/RecordingOutcome.h"
#include "station/RecordingSession.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class Station;

class RecordingCommandsModel {
public:
    RecordingCommandsModel(Station& station, DiskSpaceModel::FreeSpaceSource freeSpace = &DiskSpaceModel::FileSystemFreeSpace);

    // The live view's zones (ADV regions) and the next event's title (the ADV object).
    std::function<std::vector<AdvRegion>()> zones;
    std::function<std::string()> objectName;
    // A recording ended (any way); its session is still readable during the call.
    std::function<void(const RecordingSession&)> onFinished;

    // The commands are available while a camera streams and nothing records.
    bool CanStart();
    // Starts with every n-th frame and, for a timed recording, a duration in frame time
    // (0: until stopped). False when nothing started (a message said why where there is one).
    bool Start(RecordingFormat format, int32_t frameInterval = 1, uint64_t durationTicks = 0);
    void Stop();
    // The status timer's step.
    void Step();

    bool IsRecording() const { return session_ != nullptr && !session_->IsFinished(); }
    // The last session (running or finished); null before the first start.
    const RecordingSession* Session() const { return session_.get(); }
    const DiskSpaceModel& Disk() const { return disk_; }
    // How the last recording ended; Running while it runs or before the first.
    RecordingOutcome LastOutcome() const { return lastOutcome_; }

private:
    void Finished();

    Station& station_;
    DiskSpaceModel disk_;
    std::unique_ptr<RecordingSession> session_;
    RecordingOutcome lastOutcome_ = RecordingOutcome::Running;
    bool stoppedForSpace_ = false;
};

}  // namespace orva
