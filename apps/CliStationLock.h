#pragma once
// The station's lock, taken by every command that writes station data (records, imports
// events, changes an equipment list or the settings, writes to the camera): while a
// window or another such command holds it, the command leaves the data folder alone and
// says so. Commands that only read take no lock.
//
// Threads: the command's main thread; the lock lasts as long as the object.

#include "common/SingleInstanceGuard.h"

#include <string>

namespace orva {

class CliStationLock {
public:
    // `command` names the command in messages ("orvacam-cli events").
    explicit CliStationLock(std::string command);
    CliStationLock(const CliStationLock&) = delete;
    CliStationLock& operator=(const CliStationLock&) = delete;

    // True when the command may go on: the lock is held, or no lock file can be made at
    // all (said on standard error; the command then runs unguarded, as the window does).
    // False, said on standard error, when another station holds it.
    bool Take();

private:
    std::string command_;
    SingleInstanceGuard guard_;
};

}  // namespace orva
