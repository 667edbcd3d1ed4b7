#pragma once
// The names a recording's file headers carry besides its own data: the current observer,
// the current instrument (telescope) and the camera. Resolved once, on the GUI thread,
// when a recording starts; the frame processor's thread then only reads the copy.

#include <optional>
#include <string>

namespace orva {

class CameraModel;
class EquipmentManager;

// The selected observing site's position, for recordings made without a GPS fix.
struct RecordingSite {
    double latitudeDegrees = 0.0;   // north positive
    double longitudeDegrees = 0.0;  // east positive
    double altitudeM = 0.0;
};

struct RecordingNames {
    std::string observer;   // the selected observer, when the observer list holds that name
    std::string telescope;  // the selected instrument, when the instrument list holds that name
    std::string camera;     // "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174"; empty without a model
    std::optional<RecordingSite> site;  // the selected site, when the site list holds that name
};

// Each name empty when its selection is empty or names no entry of its list, or when
// no camera model is given; no site without a site list. GUI thread (the lists are).
RecordingNames CurrentRecordingNames(const EquipmentManager& observers, const EquipmentManager& instruments,
                                     const CameraModel* camera, const EquipmentManager* sites = nullptr);

}  // namespace orva
