#pragma once
// The "Serial number" dialog without its widgets: asks for the camera's serial number
// when the camera reports none (the firmware update needs it to choose the FPGA part).
// The view copies its edit into `text` and calls Ok.
//
// Threads: GUI thread only.

#include "common/IUiServices.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

class SerialNumberDialogModel {
public:
    static constexpr const char* kTitle = "Serial number";
    static constexpr const char* kPrompt = "Please enter the serial number of the camera.";
    static constexpr const char* kHint = "You can find the serial number on the type plate.";

    explicit SerialNumberDialogModel(IUiServices& ui) : ui_(ui) {}

    // Logs the opening and empties the edit.
    void Open();
    // True when `text` is exactly one decimal integer of 1 or more (that fits the camera's
    // 32-bit serial number); otherwise shows the error box and the dialog stays open.
    bool Ok();
    // The accepted number.
    uint32_t Value() const { return value_; }

    // The number a text stands for, if it is one.
    static std::optional<uint32_t> Parse(const std::string& text);

    std::string text;

private:
    IUiServices& ui_;
    uint32_t value_ = 0;
};

}  // namespace orva
