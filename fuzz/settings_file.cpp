// The settings file is text a user may edit by hand: whatever it holds must load without
// harm, and what is saved from it must read back the same.

#include "common/CameraConfiguration.h"
#include "common/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orva::IniFile file;
    file.Parse(text);
    const std::string saved = file.Serialize();

    orva::IniFile again;
    if (again.Parse(saved) != 0 || again.Serialize() != saved) __builtin_trap();

    orva::CameraConfiguration config;
    config.Decode(file.Get("Settings", "CameraConfiguration").value_or(std::string(text)));
    const std::string encoded = config.Encode();
    orva::CameraConfiguration reread;
    if (!reread.Decode(encoded) || reread.Encode() != encoded) __builtin_trap();
    return 0;
}
