#pragma once
// Hands a frame's decoded timing record to the camera status: the fields the status
// takes, and the exposure start as the status keeps it.

#include "camera/CameraStatus.h"
#include "camera/CameraStatusCache.h"
#include "camera/BinaryOverlay.h"

#include <array>
#include <cstdint>

namespace orva {

OverlayStatusFields OverlayStatusFieldsOf(const BinaryOverlay& overlay);
// Year, month, day of week, day, hour, minute, second, millisecond.
std::array<uint16_t, 8> CalendarFields(const CalendarTime& time);
// What the frame processor does with every frame: decode the record into the cache and
// set the frame start time, as one update.
void UpdateCameraStatus(CameraStatusCache& status, const BinaryOverlay& overlay);

}  // namespace orva
