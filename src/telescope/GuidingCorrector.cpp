#include "telescope/GuidingCorrector.h"

#include "common/Log.h"
#include "processing/GuidingService.h"
#include "telescope/TelescopeWorker.h"

#include <cmath>
#include <utility>

namespace orva {

GuidingCorrector::GuidingCorrector(GuidingService& guiding, TelescopeWorker& telescope)
    : guiding_(guiding), telescope_(telescope) {}

void GuidingCorrector::Tick() {
    Look();
    SendSteps();
}

void GuidingCorrector::Look() {
    // Nothing to watch: no target and none being chosen.
    if (!guiding_.selecting.load() && guiding_.Target() == std::make_pair(0, 0)) return;
    if (!guiding_.active.load()) {
        ticks_ = 0;
        return;
    }
    ticks_ = (ticks_ + 1) % kTicksPerLook;
    if (ticks_ != 0) return;
    const double r = guiding_.radius.load();
    const auto [cx, cy] = guiding_.Centroid();
    const double dx = cx - r;
    const double dy = cy - r;
    LogMessageInt2("I Guiding offsets (x/y *1000)", static_cast<int>(dx * 1000.0), static_cast<int>(dy * 1000.0));
    if (std::fabs(dx) < kLimitPixels && std::fabs(dy) < kLimitPixels) {
        LogMessage("I Guiding offsets within limits.");
        return;
    }
    if (std::fabs(dx) >= 0.8 * r || std::fabs(dy) >= 0.8 * r) {
        LogMessage("W Guiding offsets too large, aborting.");
        guiding_.active = false;
        return;
    }
    const bool upIsDec = guiding_.upIsDeclination.load() == 1;
    if (std::fabs(dx) >= kLimitPixels) {
        const int m = guiding_.rightDirection.load() * dx > 0 ? 1 : -1;
        (upIsDec ? guiding_.rightAscensionSteps : guiding_.declinationSteps) = m;
        LogMessageInt("I Guiding detected excess offset in x, triggering pulse", static_cast<int>(dx));
    }
    if (std::fabs(dy) >= kLimitPixels) {
        const int m = guiding_.upDirection.load() * dy > 0 ? 1 : -1;
        (upIsDec ? guiding_.declinationSteps : guiding_.rightAscensionSteps) = m;
        LogMessageInt("I Guiding detected excess offset in y, triggering pulse", static_cast<int>(dy));
    }
}

void GuidingCorrector::SendSteps() {
    if (!telescope_.Connected()) return;
    const int32_t s = guiding_.rightAscensionSteps.load();
    const int32_t w = guiding_.declinationSteps.load();
    if (s == 0 && w == 0) return;
    // What was read is taken off: a step requested meanwhile stays for the next tick.
    guiding_.rightAscensionSteps.fetch_sub(s);
    guiding_.declinationSteps.fetch_sub(w);
    const auto send = [this](int axis, int32_t steps, const char* line) {
        if (steps == 0) return;
        LogMessageInt(line, steps);
        const GuidingPulse pulse{axis, steps >= 1 ? 1 : -1, kGuidePulseMs};
        telescope_.PostCommand(TelescopeCommandKind::GuidePulse, axis, pulse.direction * pulse.milliseconds);
        if (listener_) listener_(pulse);
    };
    send(0, s, "I Guiding triggers move in RA");
    send(1, w, "I Guiding triggers move in DEC");
}

}  // namespace orva
