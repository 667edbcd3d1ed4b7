#include "common/ProgramVersion.h"

namespace orva {

std::string ProgramVersionText() {
    return std::to_string(ORVA_VERSION_MAJOR) + "." + std::to_string(ORVA_VERSION_MINOR) + "." +
           std::to_string(ORVA_VERSION_PATCH);
}

std::string ProgramVersionWithBuild() { return ProgramVersionText() + "-" + std::to_string(ORVA_VERSION_BUILD); }

}  // namespace orva
