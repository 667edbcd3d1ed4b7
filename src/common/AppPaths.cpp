#include "common/AppPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace orva {
namespace {

std::string FromEnvironment(const char* overrideVar, const char* xdgVar, const char* homeRelative) {
    if (const char* v = std::getenv(overrideVar); v != nullptr && *v != '\0') return v;
    if (const char* v = std::getenv(xdgVar); v != nullptr && *v != '\0') return std::string(v) + "/ORVA";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + homeRelative;
}

}  // namespace

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
