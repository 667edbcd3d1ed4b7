#pragma once
// Reads a whole small file (a list, a settings file) through a descriptor opened
// close-on-exec, so that a program the station starts meanwhile (an editor, the
// planetarium) never inherits it.

#include <optional>
#include <string>

namespace orva {

class FileBytes {
public:
    // The file's bytes; none when it cannot be opened or read (errno says why).
    static std::optional<std::string> Read(const std::string& path);
    // Writes the bytes into a new file (refused when the path exists); false, errno set,
    // on failure, which removes what was begun.
    static bool WriteNew(const std::string& path, const std::string& bytes);
};

}  // namespace orva
