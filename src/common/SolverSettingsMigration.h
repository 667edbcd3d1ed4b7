#pragma once
// Fills the plate solver's settings from the older single-server keys ("PlateSolvingUrl",
// "PlateSolvingApiKey") when no solver has been chosen yet: a station set up before the
// solver choice existed, or a first start, then solves with the server it already knew
// instead of asking for a solver.
//
// Threads: GUI thread only (it saves the settings).

namespace orva {

class Settings;

class SolverSettingsMigration {
public:
    // The public astrometry.net service, looked for in the old server text.
    static constexpr const char* kPublicServiceHost = "nova.astrometry.net";

    // Only while "PlateSolvingProgram" is empty: chooses "astrometry.net" (the old text
    // names the public service, or is empty) or "ansvr" (any other server), logs the
    // choice and saves. True when it chose a solver.
    static bool MigrateSolverSettings(Settings& settings);
};

}  // namespace orva
