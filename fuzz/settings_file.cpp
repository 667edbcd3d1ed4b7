// The settings file is text a user may edit by hand: whatever it holds must load without
// harm, and what is saved from it must read back the same.

#include "common/CameraConfiguration.h"
#include "common/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orva::IniFile file;
    file.Parse(text);
    const std::string saved = file.Serialize();

    // Lines the program cannot read are kept as they are, so the saved text may still hold
    // some; saving it again must change nothing.
    orva::IniFile again;
    again.Parse(saved);
    if (again.Serialize() != saved) __builtin_trap();
    // A value the program sets reads back byte for byte, whatever the file around it holds.
    const std::string value(text.substr(0, 64));
    again.Set("Settings", "FuzzedValue", value);
    orva::IniFile third;
    third.Parse(again.Serialize());
    if (third.Get("Settings", "FuzzedValue") != value) __builtin_trap();

    orva::CameraConfiguration config;
    config.Decode(file.Get("Settings", "CameraConfiguration").value_or(std::string(text)));
    const std::string encoded = config.Encode();
    orva::CameraConfiguration reread;
    if (!reread.Decode(encoded) || reread.Encode() != encoded) __builtin_trap();
    return 0;
}
