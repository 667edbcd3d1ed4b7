#pragma once
// "orvacam-cli record": connects the camera, records one recording in the chosen format
// (or takes a FITS image, an averaged dark or flat frame), shows a progress line while
// it runs, stops at the requested frames or seconds or at Ctrl+C with a complete file,
// and ends with a summary and one "written: PATH" line per file.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliRecordCommand {
public:
    static constexpr const char* kUsage =
        "record --camera sim[:SENSOR] --mode INDEX --exposure MS [--gain INDEX] "
        "--format ser|adv|adv-compressed|fits-seq|fits|dark|flat (--frames N | --seconds S [--center HH:MM:SS] | --event next) "
        "[--out DIR] [--csv] [--fault FAULT]... [--occultation FRAME:COUNT] [--every N] [--sim-utc YYYY-MM-DDTHH:MM:SS]";

    // The exit code: 0 done, 1 failed, 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
