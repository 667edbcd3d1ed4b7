#pragma once
// Where the tests find the source tree's files (the star list, helper programs, suppression
// files). Read at run time rather than compiled in, so that test objects built in one clone
// are the same bytes in every other and the compiler cache serves them.

#include <string>

namespace orva::test {

// The source tree's root: $ORVA_SOURCE_DIR (ctest sets it), else the source folder named in
// the CMakeCache.txt of the build tree the running test binary lies in.
std::string SourceDir();

// SourceDir() + "/tests/support"
std::string TestSupportDir();

}  // namespace orva::test
