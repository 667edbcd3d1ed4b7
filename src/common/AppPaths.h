#pragma once
// Where the station keeps its settings file and its data (equipment lists, events).

#include <string>

namespace orva {

class AppPaths {
public:
    // $ORVA_CONFIG_DIR, else $XDG_CONFIG_HOME/ORVA, else ~/.config/ORVA.
    static std::string ConfigDirectory();
    // $ORVA_DATA_DIR, else $XDG_DATA_HOME/ORVA, else ~/.local/share/ORVA.
    static std::string DataDirectory();
    // Creates the folder and its parents; true when it exists afterwards.
    static bool EnsureDirectory(const std::string& path);
};

}  // namespace orva
