#include "recording/RecordingNames.h"

#include "camera/CameraModel.h"
#include "equipment/EquipmentManager.h"

namespace orva {

RecordingNames CurrentRecordingNames(const EquipmentManager& observers, const EquipmentManager& instruments,
                                     const CameraModel* camera) {
    RecordingNames names;
    if (const EquipmentEntry* observer = observers.Current()) names.observer = observer->name;
    if (const EquipmentEntry* instrument = instruments.Current()) names.telescope = instrument->name;
    if (camera != nullptr) names.camera = camera->GetDisplayName();
    return names;
}

}  // namespace orva
