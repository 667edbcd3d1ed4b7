#pragma once
// The program's version, from the build description.

#include <string>

namespace orva {

// "0.1.0"
std::string ProgramVersionText();
// "0.1.0-0": major, minor, patch and build, as recordings name their recorder.
std::string ProgramVersionWithBuild();

}  // namespace orva
