#pragma once
// Ctrl+C (SIGINT) and SIGTERM as a stop request the station's loop polls, so that a
// recording ends cleanly with a complete file instead of dying mid-frame.
//
// Threads: the handler only stores an atomic flag; any thread may read it.

namespace orva {

class CliSignals {
public:
    static void InstallStopHandler();
    static bool StopRequested();
};

}  // namespace orva
