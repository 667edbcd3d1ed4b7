#pragma once
// Rebuilds a recording that a crash or a power loss cut short, from the complete frames
// it holds, into a new file beside it ("<name>_repaired.<ext>", numbered if that is
// taken). The original is only read, never changed.
//
//   SER without frame count and time stamps: the whole frames are written again through
//   the SER writer, each with the time stamp of its own timing record (the time the
//   recording gave it); header texts are kept.
//   ADV without index (or with one that does not read): the whole frames are found by
//   the ADV reader's recovery, the bytes up to the end of the last one are copied, then
//   the frame index and the closing tables are added and the header's places for them
//   are filled in, as the ADV writer does when a recording stops.
//
// The result is read back with the format's reader before it is reported.
//
// Threads: any; one repair at a time per file.

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

struct RepairResult {
    std::string path;      // the new file
    uint32_t frames = 0;   // complete frames taken over
    std::string note;      // what else the repair had to know, e.g. frames without a record
};

class RecordingRepair {
public:
    // Nothing, with `error` set to one line, when the file is no recording, is complete
    // already, holds no complete frame, or the new file cannot be written.
    static std::optional<RepairResult> Repair(const std::string& path, std::string& error);
    // The first of "<stem>_repaired<ext>", "<stem>_repaired_2<ext>", ... that does not exist.
    static std::string RepairedPath(const std::string& path);

private:
    static std::optional<RepairResult> RepairSer(const std::string& path, std::string& error);
    static std::optional<RepairResult> RepairAdv(const std::string& path, std::string& error);
};

}  // namespace orva
