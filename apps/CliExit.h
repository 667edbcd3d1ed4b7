#pragma once
// The command line's exit codes and its errors: one line on standard error, after the
// command's name ("orvacam-cli record: ...").
//
// Threads: any; each line is one write.

#include <string>

namespace orva {

class CliExit {
public:
    static constexpr int kDone = 0;
    static constexpr int kFailed = 1;
    static constexpr int kUsage = 2;
    // Another station holds the station's lock (the window's own code for a second start).
    static constexpr int kStationBusy = 3;

    // Wrong options: says what is wrong; returns kUsage.
    static int Usage(const char* command, const std::string& message);
    // The command failed: says why, unless `message` is empty because the station's own
    // message has said it already; returns kFailed.
    static int Failure(const char* command, const std::string& message);
};

}  // namespace orva
