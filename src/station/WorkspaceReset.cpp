#include "station/WorkspaceReset.h"

#include "common/IUiServices.h"
#include "common/Settings.h"

#include <string>

namespace orva {

bool WorkspaceReset::RunOnce(Settings& settings, IUiServices& ui) {
    if (!settings.ToolbarVersion.empty()) return false;
    settings.WorkspaceGeometry.clear();
    settings.WorkspaceState.clear();
    settings.WorkspaceStatusBar.Clear();
    settings.ToolbarVersion = std::string(kCurrentVersion);
    // Shown even when the file could not be written: Save has logged that, and the
    // layout in use is the default either way.
    settings.Save();
    ui.ShowMessage(kTitle, kText, MessageIcon::Information);
    return true;
}

}  // namespace orva
