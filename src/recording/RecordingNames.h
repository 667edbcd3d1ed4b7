#pragma once
// The names a recording's file headers carry besides its own data: the current observer,
// the current instrument (telescope) and the camera. Resolved once, on the GUI thread,
// when a recording starts; the frame processor's thread then only reads the copy.

#include <string>

namespace orva {

class CameraModel;
class EquipmentManager;

struct RecordingNames {
    std::string observer;   // the selected observer, when the observer list holds that name
    std::string telescope;  // the selected instrument, when the instrument list holds that name
    std::string camera;     // "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174"; empty without a model
};

// Each name empty when its selection is empty or names no entry of its list, or when
// no camera model is given. GUI thread (the lists are).
RecordingNames CurrentRecordingNames(const EquipmentManager& observers, const EquipmentManager& instruments,
                                     const CameraModel* camera);

}  // namespace orva
