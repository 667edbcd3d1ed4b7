#include "CliFaultPlan.h"

#include "common/CommandLine.h"

#include <chrono>

namespace orva {

std::optional<CliFault> CliFaultPlan::Parse(const std::string& faultText, std::string& error) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = faultText.find(':', start);
        parts.push_back(faultText.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    struct Form {
        const char* name;
        CliFault::Kind kind;
        const char* valueName;  // null: no value
    };
    static constexpr Form kForms[] = {
        {"drop", CliFault::Kind::Drop, "COUNT"},     {"repeat", CliFault::Kind::Repeat, nullptr},
        {"freeze-irq", CliFault::Kind::FreezeIrq, nullptr}, {"corrupt", CliFault::Kind::Corrupt, nullptr},
        {"stall", CliFault::Kind::Stall, "MS"},      {"unplug", CliFault::Kind::Unplug, "MS"},
    };
    for (const Form& form : kForms) {
        if (parts[0] != form.name) continue;
        const std::string usage = std::string(form.name) + ":FRAME" + (form.valueName ? std::string(":") + form.valueName : "");
        if (parts.size() != (form.valueName ? 3u : 2u)) {
            error = "fault '" + faultText + "' has the form " + usage;
            return std::nullopt;
        }
        CliFault fault;
        fault.kind = form.kind;
        const auto frame = CommandLine::ParseInteger(parts[1], 1, 1000000000);
        if (!frame) {
            error = "fault '" + faultText + "': FRAME must be a whole number from 1";
            return std::nullopt;
        }
        fault.frame = *frame;
        if (form.valueName) {
            const auto value = CommandLine::ParseInteger(parts[2], form.kind == CliFault::Kind::Drop ? 1 : 0,
                                                         form.kind == CliFault::Kind::Drop ? 1000000 : 3600000);
            if (!value) {
                error = "fault '" + faultText + "': " + form.valueName +
                        (form.kind == CliFault::Kind::Drop ? " must be a whole number from 1"
                                                           : " must be a whole number of milliseconds up to 3600000");
                return std::nullopt;
            }
            fault.value = *value;
        }
        return fault;
    }
    error = "unknown fault '" + faultText + "' (drop, repeat, freeze-irq, corrupt, stall or unplug)";
    return std::nullopt;
}

CliFaultPlan::CliFaultPlan(SimulatedCamera& camera, std::unique_ptr<IPictureSource> sky, std::vector<CliFault> faults)
    : camera_(camera), sky_(std::move(sky)), faults_(std::move(faults)) {}

void CliFaultPlan::Restart() {
    camera_.Faults().ClearAll();
    nextFrame_ = 1;
    ArmNext();
}

void CliFaultPlan::Render(const SimExposure& exposure, std::span<uint16_t> image) {
    sky_->Render(exposure, image);
    // This frame's faults were taken before it was rendered; arm those of the next.
    ++nextFrame_;
    ArmNext();
}

void CliFaultPlan::ArmNext() {
    SimFaultInjector& faults = camera_.Faults();
    for (bool dropped = true; dropped;) {
        dropped = false;
        const int64_t frame = nextFrame_;
        for (const CliFault& f : faults_) {
            if (f.frame != frame) continue;
            switch (f.kind) {
            case CliFault::Kind::Drop:
                faults.DropFrames(static_cast<int32_t>(f.value));
                // The camera skips these frames; the one it makes next comes after them.
                nextFrame_ += f.value;
                dropped = true;
                break;
            case CliFault::Kind::Repeat:
                faults.RepeatFrameNumber();
                break;
            case CliFault::Kind::FreezeIrq:
                faults.FreezeCommIrqCounter(1);
                faults.FreezeFrameStartIrqCounter(1);
                break;
            case CliFault::Kind::Corrupt:
                faults.CorruptCheckLane(1);
                break;
            case CliFault::Kind::Stall:
                camera_.StallDelivery(std::chrono::milliseconds(f.value));
                break;
            case CliFault::Kind::Unplug:
                // The frame being made now is the last one before the link breaks.
                camera_.Unplug();
                camera_.Replug(std::chrono::milliseconds(f.value));
                break;
            }
        }
    }
}

}  // namespace orva
