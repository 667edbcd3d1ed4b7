#include "CliStationLock.h"

#include <cstdio>
#include <utility>

namespace orva {

CliStationLock::CliStationLock(std::string command)
    : command_(std::move(command)), guard_(SingleInstanceGuard::DefaultDirectory()) {}

bool CliStationLock::Take() {
    switch (guard_.Acquire()) {
        case SingleInstanceGuard::State::Held: return true;
        case SingleInstanceGuard::State::Busy:
            std::fprintf(stderr, "%s: another station holds %s; close it first\n", command_.c_str(),
                         guard_.Path().c_str());
            return false;
        case SingleInstanceGuard::State::Failed:
        case SingleInstanceGuard::State::NotTried: break;
    }
    std::fprintf(stderr, "%s: no station lock (%s); going on without it\n", command_.c_str(), guard_.Error().c_str());
    return true;
}

}  // namespace orva
