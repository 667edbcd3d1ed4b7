#pragma once
// The instruments (telescopes): type, magnification, aperture and focal length in mm,
// obstruction, and the focal-length factor of a reducer or barlow (1.0 without).
// Stored in "instruments.xml"; the current entry is named by "SelectedInstrumentName".
//
// Threads: GUI thread only.

#include "equipment/EquipmentManager.h"

#include <string>

namespace orva {

class NotificationCenter;
class Settings;

class InstrumentManager final : public EquipmentManager {
public:
    // The process-wide list in AppPaths::DataDirectory(), loaded on first use.
    static InstrumentManager& Instance();
    InstrumentManager(std::string dataDirectory, Settings& settings, NotificationCenter& center);

    std::string SelectedName() const override;
    bool SelectName(const std::string& name) override;

protected:
    // Publishes "InstrumentChanged": windows that show focal lengths or pixel scales follow.
    void AfterSave() override;

private:
    Settings& settings_;
    NotificationCenter& center_;
};

}  // namespace orva
