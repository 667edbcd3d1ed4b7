#include "support/TestPaths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace orva::test {

namespace {

// The build tree is the first folder above the test binary that holds a CMakeCache.txt.
std::string SourceDirFromBuildTree() {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    for (; !ec && !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
        std::ifstream cache(dir / "CMakeCache.txt");
        if (!cache) continue;
        const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
        for (std::string line; std::getline(cache, line);) {
            if (line.rfind(key, 0) == 0) return line.substr(key.size());
        }
    }
    return {};
}

}  // namespace

std::string SourceDir() {
    if (const char* fromEnv = std::getenv("ORVA_SOURCE_DIR"); fromEnv != nullptr && *fromEnv != '\0') return fromEnv;
    static const std::string fromBuildTree = SourceDirFromBuildTree();
    if (fromBuildTree.empty()) throw std::runtime_error("source folder unknown: set ORVA_SOURCE_DIR");
    return fromBuildTree;
}

std::string TestSupportDir() { return SourceDir() + "/tests/support"; }

}  // namespace orva::test
