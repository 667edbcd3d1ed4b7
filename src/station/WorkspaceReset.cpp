#include "station/WorkspaceReset.h"

#include "common/IUiServices.h"
#include "common/Settings.h"

#include <string>

namespace orva {

bool WorkspaceReset::RunOnce(Settings& settings, IUiServices& ui) {
    if (!settings.ToolbarVersion.empty()) return false;
    const bool saved = !settings.WorkspaceGeometry.empty() || !settings.WorkspaceState.empty() ||
                       !settings.WorkspaceToolbars.empty() || settings.WorkspaceStatusBar.Value().has_value();
    settings.WorkspaceGeometry.clear();
    settings.WorkspaceToolbars.clear();
    settings.WorkspaceState.clear();
    settings.WorkspaceStatusBar.Clear();
    settings.ToolbarVersion = std::string(kCurrentVersion);
    // Shown even when the file could not be written: Save has logged that, and the
    // layout in use is the default either way.
    settings.Save();
    if (!saved) return false;
    ui.ShowMessage(kTitle, kText, MessageIcon::Information);
    return true;
}

}  // namespace orva
