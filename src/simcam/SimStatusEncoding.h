#pragma once
// Writes the camera's state into the 32-byte status block (selector 4) and the four
// status words of the frame record, bit for bit as the camera lays them out.

#include "simcam/SimDeviceState.h"

#include <array>
#include <cstdint>

namespace orva {

// `fillUndecoded`: bytes and bits the station does not read carry a fixed non-zero
// pattern instead of zeros.
std::array<uint8_t, 32> EncodeSimStatusBlock(const SimDeviceState& state, bool fillUndecoded);
std::array<uint32_t, 4> EncodeSimStatusWords(const SimDeviceState& state, bool fillUndecoded);

// The record's mode value: 2, 4, 8, 16 for mode indices 1..4, 1 for index 0 (and powers
// of two above 16 for the sixth mode of sensors that have one).
uint16_t SimModeValue(int modeIndex);

}  // namespace orva
