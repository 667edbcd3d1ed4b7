#include "common/AppPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace orva {
namespace {

std::string FromEnvironment(const char* overrideVar, const char* xdgVar, const char* homeRelative) {
    if (const char* v = std::getenv(overrideVar); v != nullptr && *v != '\0') return v;
    if (const char* v = std::getenv(xdgVar); v != nullptr && *v != '\0') return std::string(v) + "/ORVA";
    return AppPaths::HomeDirectory() + homeRelative;
}

std::string ExecutableDirectory() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

}  // namespace

std::string AppPaths::HomeDirectory() {
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? home : ".";
}

std::string AppPaths::ProgramDataFile(const std::string& fileName) {
    std::vector<std::string> candidates;
    if (const std::string dir = ExecutableDirectory(); !dir.empty()) {
        candidates.push_back(dir + "/../" ORVA_INSTALL_DATA_DIR "/" + fileName);
        candidates.push_back(dir + "/" + fileName);
    }
    candidates.push_back(std::string(ORVA_SOURCE_DATA_DIR "/") + fileName);
    std::error_code ec;
    for (const std::string& path : candidates) {
        if (std::filesystem::is_regular_file(path, ec)) return std::filesystem::path(path).lexically_normal().string();
    }
    return candidates.front();
}

std::string AppPaths::ConfigDirectory() {
    return FromEnvironment("ORVA_CONFIG_DIR", "XDG_CONFIG_HOME", "/.config/ORVA");
}

std::string AppPaths::DataDirectory() {
    return FromEnvironment("ORVA_DATA_DIR", "XDG_DATA_HOME", "/.local/share/ORVA");
}

bool AppPaths::EnsureDirectory(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

}  // namespace orva
