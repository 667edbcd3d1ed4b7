#pragma once
// The station's own FITS capture for plate solving, for front ends without a window (the
// command line): the plate-solving worker asks for a capture from its thread, the
// station's Tick starts it on the frame processor ('P': the plate-solving image, averaged
// over FitsCaptureModel::kLightFrames frames) and the worker polls the frame processor for
// the written file. Unlike the window's capture it leaves the camera's overlay, PC time
// and 1PPS marker as they are: there is no panel whose choices it could restore.
//
//   worker: StartCapture -> waits in the bridge
//   Step (station thread): names and claims the file, hands the job to the frame processor
//   worker: IsCaptureComplete polls until the file is written
//
// Threads: StartCapture, IsCaptureComplete and CaptureDuration on the worker thread;
// Step on the station's thread. The job is shared with the frame processor's thread
// through its atomics; the object outlives the frame processor (the station declares it
// so), which may hold the job until its next frame.

#include "processing/FitsRecordingJob.h"
#include "station/PlateSolvingCaptureBridge.h"
#include "telescope/IPlateSolvingCapture.h"

#include <optional>
#include <string>

namespace orva {

class Station;

class StationPlateSolvingCapture final : public IPlateSolvingCapture {
public:
    explicit StationPlateSolvingCapture(Station& station,
                                        std::chrono::milliseconds startWait = std::chrono::seconds(5));
    ~StationPlateSolvingCapture() override;
    StationPlateSolvingCapture(const StationPlateSolvingCapture&) = delete;
    StationPlateSolvingCapture& operator=(const StationPlateSolvingCapture&) = delete;

    std::optional<std::string> StartCapture() override { return bridge_.StartCapture(); }
    bool IsCaptureComplete(const std::string& path) override { return bridge_.IsCaptureComplete(path); }
    Clock::Duration CaptureDuration() const override { return bridge_.CaptureDuration(); }

    // The station's tick: starts a waiting request; a failed capture is logged.
    void Step();

private:
    // The claimed file's path, none when no capture can start (no stream, no folder).
    std::optional<std::string> Start();

    Station& station_;
    FitsRecordingJob job_;
    std::string path_;  // of the capture under way; empty when none
    PlateSolvingCaptureBridge bridge_;
};

}  // namespace orva
