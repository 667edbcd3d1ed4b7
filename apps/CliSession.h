#pragma once
// What every command that drives the camera does first and last: loads the settings,
// opens the application log in the settings' log folder (so that the camera's log lines
// are kept as the GUI keeps them) and closes the log when the command ends.
//
// Threads: the command's main thread.

namespace orva {

class Settings;

class CliSession {
public:
    CliSession();
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    Settings& GetSettings() { return settings_; }

private:
    Settings& settings_;
};

}  // namespace orva
