#include "common/SolverSettingsMigration.h"

#include "common/Log.h"
#include "common/Settings.h"

#include <string>

namespace orva {

bool SolverSettingsMigration::MigrateSolverSettings(Settings& settings) {
    if (!settings.PlateSolvingProgram().empty()) return false;
    LogMessage("I No platesolver configured.");
    const std::string old = settings.PlateSolvingUrl;
    if (old.find(kPublicServiceHost) != std::string::npos) {
        settings.PlateSolvingProgram("astrometry.net");
        settings.PlateSolvingAstrometryNetPath(old);
        settings.PlateSolvingAstrometryNetApiKey(settings.PlateSolvingApiKey);
        LogMessageString("I Using astrometry.net solver at URL:", old);
    } else if (old.empty()) {
        settings.PlateSolvingProgram("astrometry.net");
        settings.PlateSolvingAstrometryNetPath(kPublicServiceHost);
        LogMessage("I Using astrometry.net solver at default URL");
    } else {
        settings.PlateSolvingProgram("ansvr");
        settings.PlateSolvingAnsvrPath(old);
        LogMessageString("I Using ansvr solver at URL:", old);
    }
    settings.Save();
    return true;
}

}  // namespace orva
