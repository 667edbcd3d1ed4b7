#pragma once
// Records one night plan entry with the station's own recording path, tied to its event.
//
// Threads: the station's (GUI) thread.

#include "station/RecordingOutcome.h"

#include <cstdint>
#include <string>

namespace orva {

struct NightPlanEntry;

struct NightRecordingResult {
    std::string file;
    int64_t frames = 0;
    int64_t missed = 0;
    RecordingOutcome outcome = RecordingOutcome::Running;
    std::string failure;  // the writer's failure or the reason nothing started
};

class INightRecorder {
public:
    virtual ~INightRecorder() = default;
    // Records the frames whose exposures start inside the entry's window (frame time), so
    // that a start a little ahead of the window by the PC's clock catches its first frame.
    // False when nothing started; `error` says why.
    virtual bool Start(const NightPlanEntry& entry, const std::string& format, std::string& error) = 0;
    // True while the recording runs.
    virtual bool Step() = 0;
    // Ends the recording cleanly; Step then runs until the file is closed.
    virtual void Stop() = 0;
    virtual NightRecordingResult Result() const = 0;
};

}  // namespace orva
