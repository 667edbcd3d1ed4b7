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
    // $HOME; "." when it is not set.
    static std::string HomeDirectory();
    // A file shipped with the program (the report template, the simulated camera's star
    // list): in the installed data folder beside the program's bin folder, beside the
    // program, or in the source tree's data folder when the program runs from its build
    // tree. The first of these places when the file is in none of them.
    static std::string ProgramDataFile(const std::string& fileName);
    // Creates the folder and its parents; true when it exists afterwards.
    static bool EnsureDirectory(const std::string& path);
};

}  // namespace orva
