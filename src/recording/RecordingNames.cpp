#include "recording/RecordingNames.h"

#include "camera/CameraModel.h"
#include "equipment/EquipmentManager.h"

namespace orva {

RecordingNames CurrentRecordingNames(const EquipmentManager& observers, const EquipmentManager& instruments,
                                     const CameraModel* camera, const EquipmentManager* sites) {
    RecordingNames names;
    if (const EquipmentEntry* observer = observers.Current()) names.observer = observer->name;
    if (const EquipmentEntry* instrument = instruments.Current()) names.telescope = instrument->name;
    if (camera != nullptr) names.camera = camera->GetDisplayName();
    if (const EquipmentEntry* site = sites != nullptr ? sites->Current() : nullptr) {
        names.site = RecordingSite{site->Real("Lat"), site->Real("Lon"), static_cast<double>(site->Integer("Alt"))};
    }
    return names;
}

}  // namespace orva
