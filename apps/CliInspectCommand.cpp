#include "CliInspectCommand.h"

#include "common/CommandLine.h"
#include "recording/RecordingInspector.h"

#include <cstdio>

namespace orva {

int CliInspectCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto line = CommandLine::Parse(args, {{"frames", false, false}}, 1, error);
    if (!line || line->Operands().empty()) {
        std::fprintf(stderr, "orvacam-cli inspect: %s\n", line ? "a FILE to inspect is required" : error.c_str());
        return 2;
    }
    const std::string& path = line->Operands().front();
    const auto recording = RecordingInspector::Inspect(path, error);
    if (!recording) {
        std::fprintf(stderr, "orvacam-cli inspect: %s\n", error.c_str());
        return 1;
    }
    const TimelineFindings findings = AnalyzeTimeline(recording->frames);
    for (const std::string& text : RecordingInspector::Report(*recording, findings, line->Has("frames"))) {
        std::printf("%s\n", text.c_str());
    }
    const auto unsound = RecordingInspector::Unsound(*recording, findings);
    std::printf("result: %s\n", unsound ? "damaged" : "sound");
    std::fflush(stdout);
    if (unsound) {
        std::fprintf(stderr, "orvacam-cli inspect: %s: %s\n", path.c_str(), unsound->c_str());
        return 1;
    }
    return 0;
}

}  // namespace orva
