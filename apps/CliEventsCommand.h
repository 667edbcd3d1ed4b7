#pragma once
// "orvacam-cli events": the station's occultation event store without a screen.
//
//   events list          the events of today and tomorrow (UTC), soonest first
//   events next          the next event ahead; exit 1 when there is none
//   events import FILE   the events of an Occult XML file
//   events report ID     writes the observation report of an event (ID: its number in
//                        the list, or next); an existing report is replaced only with --force
//
// `record --event next` records around the next event; see CliRecordCommand.

#include <string>
#include <vector>

namespace orva {

struct OwEvent;

class CliEventsCommand {
public:
    static constexpr const char* kUsage = "events list | next | import FILE | report ID [--force]";
    // 0 done, 1 failed (or no event ahead), 2 wrong options.
    static int Run(const std::vector<std::string>& args);

    // "2024-06-01 22:00:05.250 UTC  (2) Pallas occ. TYC 1234-567-1  in 3600 s"
    static std::string Describe(const OwEvent& event);
};

}  // namespace orva
