#pragma once
// The faults an observer or a test asks the simulated camera to commit during a
// recording, given as "--fault FAULT": drop:FRAME:COUNT, repeat:FRAME, freeze-irq:FRAME,
// corrupt:FRAME, stall:FRAME:MS, unplug:FRAME:MS (back on the bus after MS). FRAME
// counts the camera's frames from the start of the recording, from 1; dropped frames
// count too, so without other faults it is the frame number the camera gives.
//
// The plan is a picture source around the camera's sky: while the camera renders one
// frame it arms the faults of the next, so each lands on exactly its frame however far
// the camera runs ahead of the recording.
//
// Threads: Parse anywhere; the source runs on the camera's frame-generating thread only,
// and Restart is called while no frame is generated (delivery held).

#include "simcam/IPictureSource.h"
#include "simcam/SimulatedCamera.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct CliFault {
    enum class Kind { Drop, Repeat, FreezeIrq, Corrupt, Stall, Unplug };
    Kind kind = Kind::Drop;
    int64_t frame = 1;
    int64_t value = 0;  // frames dropped, or milliseconds
};

class CliFaultPlan final : public IPictureSource {
public:
    // Nothing, with `error` naming the mistake, for a malformed fault text.
    static std::optional<CliFault> Parse(const std::string& faultText, std::string& error);

    CliFaultPlan(SimulatedCamera& camera, std::unique_ptr<IPictureSource> sky, std::vector<CliFault> faults);

    // The next frame the camera makes is frame 1 of the recording.
    void Restart();

    void Configure(const SimReadout& readout) override { sky_->Configure(readout); }
    void Render(const SimExposure& exposure, std::span<uint16_t> image) override;

private:
    // Arms the faults of the frame at nextFrame_ (and of the frames after a drop).
    void ArmNext();

    SimulatedCamera& camera_;
    std::unique_ptr<IPictureSource> sky_;
    std::vector<CliFault> faults_;
    int64_t nextFrame_ = 1;
};

}  // namespace orva
