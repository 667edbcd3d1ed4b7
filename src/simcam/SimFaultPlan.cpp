#include "simcam/SimFaultPlan.h"

#include "common/CommandLine.h"

namespace orva {
namespace {

constexpr int64_t kMaxFrame = 1000000000;

std::vector<std::string> SplitAtColons(const std::string& text) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return parts;
}

}  // namespace

std::optional<SimFault> SimFaultPlan::Parse(const std::string& faultText, std::string& error) {
    const std::vector<std::string> parts = SplitAtColons(faultText);
    struct Form {
        const char* name;
        SimFault::Kind kind;
        const char* valueName;  // null: no value
    };
    static constexpr Form kForms[] = {
        {"drop", SimFault::Kind::Drop, "COUNT"},     {"repeat", SimFault::Kind::Repeat, nullptr},
        {"freeze-irq", SimFault::Kind::FreezeIrq, nullptr}, {"corrupt", SimFault::Kind::Corrupt, nullptr},
        {"stall", SimFault::Kind::Stall, "MS"},      {"unplug", SimFault::Kind::Unplug, "MS"},
    };
    for (const Form& form : kForms) {
        if (parts[0] != form.name) continue;
        const std::string usage = std::string(form.name) + ":FRAME" + (form.valueName ? std::string(":") + form.valueName : "");
        if (parts.size() != (form.valueName ? 3u : 2u)) {
            error = "fault '" + faultText + "' has the form " + usage;
            return std::nullopt;
        }
        SimFault fault;
        fault.kind = form.kind;
        const auto frame = CommandLine::ParseInteger(parts[1], 1, kMaxFrame);
        if (!frame) {
            error = "fault '" + faultText + "': FRAME must be a whole number from 1";
            return std::nullopt;
        }
        fault.frame = *frame;
        if (form.valueName) {
            const bool drop = form.kind == SimFault::Kind::Drop;
            const auto value = CommandLine::ParseInteger(parts[2], drop ? 1 : 0, drop ? 1000000 : 3600000);
            if (!value) {
                error = "fault '" + faultText + "': " + form.valueName +
                        (drop ? " must be a whole number from 1" : " must be a whole number of milliseconds up to 3600000");
                return std::nullopt;
            }
            fault.value = *value;
        }
        return fault;
    }
    error = "unknown fault '" + faultText + "' (drop, repeat, freeze-irq, corrupt, stall or unplug)";
    return std::nullopt;
}

std::optional<SimPlannedOccultation> SimFaultPlan::ParseOccultation(const std::string& text, std::string& error) {
    const std::vector<std::string> parts = SplitAtColons(text);
    if (parts.size() != 2) {
        error = "occultation '" + text + "' has the form FRAME:COUNT";
        return std::nullopt;
    }
    const auto frame = CommandLine::ParseInteger(parts[0], 1, kMaxFrame);
    if (!frame) {
        error = "occultation '" + text + "': FRAME must be a whole number from 1";
        return std::nullopt;
    }
    const auto count = CommandLine::ParseInteger(parts[1], 1, kMaxFrame);
    if (!count) {
        error = "occultation '" + text + "': COUNT must be a whole number from 1";
        return std::nullopt;
    }
    return SimPlannedOccultation{*frame, *count};
}

}  // namespace orva
