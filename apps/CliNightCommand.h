#pragma once
// "orvacam-cli night": the unattended night from the command line.
//
//   night plan     the plan from the event store: each entry's recording window and
//                  pointing time (UTC), its star and the overlaps settled
//   night run      runs the plan in the foreground, one progress line, a summary table at
//                  the end; Ctrl+C stops it cleanly (the recording under way is closed).
//                  A plan file of the same night left by a station that stopped is taken
//                  up where it ended. --dry-run prints the plan and touches no hardware.
//   night status   what the plan file of a running or finished night says
//
// The plan file is night-plan.ini in the data folder.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliNightCommand {
public:
    static constexpr const char* kUsage =
        "night plan | status | run --no-goto [--dry-run] [--camera sim|LINK] [--mode INDEX] [--exposure MS] "
        "[--gain INDEX] [--format ser|adv|adv-compressed|fits-seq] [--out DIR]";
    // The exit code: 0 done, 1 failed (no event ahead, no plan file, an entry not
    // recorded), 2 wrong options, 3 the station is busy.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
