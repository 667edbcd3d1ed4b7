#pragma once
// Starts indiserver with the INDI telescope simulator on a free port, with its own
// home folder (so no driver configuration of an earlier run is loaded) and its own
// local socket name, and stops it by the process id it started.

#include "support/TempDir.h"

#include <string>
#include <sys/types.h>

namespace orva::test {

class IndiServerProcess {
public:
    static constexpr const char* kDevice = "Telescope Simulator";

    IndiServerProcess();
    ~IndiServerProcess();
    IndiServerProcess(const IndiServerProcess&) = delete;
    IndiServerProcess& operator=(const IndiServerProcess&) = delete;

    // False when indiserver could not be started or did not listen within 10 s.
    bool Start();
    // Kills the server (and its driver) at once and reaps them.
    void Kill();
    int Port() const { return port_; }
    // "127.0.0.1:<port>/Telescope Simulator"
    std::string ProgramId() const;

private:
    bool SetPollingPeriod();

    TempDir home_;
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace orva::test
