#include "CliRepairCommand.h"

#include "common/CommandLine.h"
#include "recording/RecordingRepair.h"

#include <cstdio>

namespace orva {

int CliRepairCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto line = CommandLine::Parse(args, {}, 1, error);
    if (!line || line->Operands().empty()) {
        std::fprintf(stderr, "orvacam-cli repair: %s\n", line ? "a FILE to repair is required" : error.c_str());
        return 2;
    }
    const auto result = RecordingRepair::Repair(line->Operands().front(), error);
    if (!result) {
        std::fprintf(stderr, "orvacam-cli repair: %s\n", error.c_str());
        return 1;
    }
    std::printf("rebuilt %u complete frames\n", result->frames);
    if (!result->note.empty()) std::printf("note: %s\n", result->note.c_str());
    std::printf("written: %s\n", result->path.c_str());
    return 0;
}

}  // namespace orva
