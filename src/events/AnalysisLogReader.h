#pragma once
// Reads the disappearance (D) and reappearance (R) times out of the log files that the
// light-curve analysis programs AOTA and PyOTE write. Only the few lines that carry the
// times are read; everything else in the files is skipped.
//
// AOTA: after the line that begins with "  Event time in UTC", the first non-empty line
// is D and the last non-empty line that reads is R; from the line's sixth character
// "%d %d %lf %*c%*c %lf" gives hours, minutes, seconds and the accuracy in seconds.
// PyOTE: after each line that begins with "================= 0.95 containment", the next
// line reading "D: [%d:%d:%lf]  {%lf,%lf}" is D, and after it the next one reading
// "R: ..." is R; the accuracy is the larger magnitude of the two containment limits.
//
// A time whose seconds are not in [0, 60) or whose accuracy is not finite and at least 0
// does not read.
//
// Lines are read as bytes, at most 1023 to a line (a longer one counts as several), with
// "\n" or "\r\n" as line end. A line too short for its pattern simply does not read.
//
// Pure functions, any thread.

#include <istream>
#include <optional>
#include <string>

namespace orva {

struct AnalysisTime {
    int hours = 0;
    int minutes = 0;
    double seconds = 0.0;
    double accuracySec = 0.0;
};

struct AnalysisLog {
    enum class Kind { Unreadable, Unknown, Aota, Pyote };
    Kind kind = Kind::Unreadable;
    // The line that told the kind (for the log), without its line end.
    std::string headerLine;
    std::optional<AnalysisTime> d;
    std::optional<AnalysisTime> r;
};

class AnalysisLogReader {
public:
    static constexpr const char* kAotaHeader = "AOTA analysis of the file";
    static constexpr const char* kPyoteHeader = "#################### PYOTE ";

    static AnalysisLog Read(const std::string& path);
    static AnalysisLog Parse(std::istream& in);
};

}  // namespace orva
