#pragma once
// Reads a recording of any of the station's formats (SER, ADV, a single FITS image, a
// folder of FITS images, the GPS status CSV beside a recording) into its dimensions and
// the timing of its frames, and reports what it finds: frame count, first and last time
// stamp, exposure, frame-number gaps, whether the time stamps increase and how they are
// spaced.
//
// Outside input: every file is read through the checked readers; a damaged or foreign
// file gives one line that says what is wrong and where, never a crash. A recording cut
// short is recognised as such and named repairable.
//
// Threads: any; one inspection at a time per object (there is no state between calls).
// An ADV file's images are decoded on one thread per core, all joined before Inspect
// returns.

#include "recording/RecordingTimeline.h"

#include <optional>
#include <string>
#include <vector>

namespace orva {

struct InspectedRecording {
    std::string path;
    std::string format;  // "SER 16-bit", "ADV 16-bit", "FITS 16-bit", "FITS sequence", "GPS status CSV"
    int width = 0;       // 0 when the file has no image
    int height = 0;
    std::optional<double> exposureMs;  // of the first frame, where the file says
    std::vector<TimelineFrame> frames;
    // Findings that make the recording unsound besides its timing (checked separately).
    std::vector<std::string> problems;
    std::vector<std::string> notes;
};

class RecordingInspector {
public:
    // Nothing, with `error` set to one line, when the file cannot be read or is damaged.
    static std::optional<InspectedRecording> Inspect(const std::string& path, std::string& error);

    // The report's lines; `perFrame` adds one line per frame.
    static std::vector<std::string> Report(const InspectedRecording& recording, const TimelineFindings& findings,
                                           bool perFrame);
    // The first reason the recording is not sound, if any: a problem of the file, time
    // stamps that do not increase, or frames without a time stamp.
    static std::optional<std::string> Unsound(const InspectedRecording& recording, const TimelineFindings& findings);

private:
    static std::optional<InspectedRecording> InspectSer(const std::string& path, std::string& error);
    static std::optional<InspectedRecording> InspectAdv(const std::string& path, std::string& error);
    static std::optional<InspectedRecording> InspectFits(const std::string& path, std::string& error);
    static std::optional<InspectedRecording> InspectFitsFolder(const std::string& path, std::string& error);
    static std::optional<InspectedRecording> InspectCsv(const std::string& path, std::string& error);
};

}  // namespace orva
