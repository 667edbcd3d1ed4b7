#pragma once
// The start-up check of the saved workspace (toolbars, docking, window placement): a
// profile that has never seen the customisable toolbar gets the default layout and the
// version mark. The notice says the workspace was reset, so it is shown only when there
// was a saved workspace to reset: a first start has none. Runs before the main window
// is made.
//
// Threads: GUI thread only.

namespace orva {

class IUiServices;
class Settings;

class WorkspaceReset {
public:
    static constexpr const char* kCurrentVersion = "1";
    static constexpr const char* kTitle = "Toolbar customization";
    static constexpr const char* kText =
        "Since version 5.5.3 of the camera control software, you can customize the toolbar (add, remove, "
        "re-arrange buttons) and also create your own toolbars, which are preserved across application "
        "runs.\n\nFor example, if you never record SER files, you can remove the SER button.\n\nThe workspace "
        "configuration has been reset to the default.";

    // With no "ToolbarVersion": clears the saved workspace and stores the version; when a
    // workspace was saved, shows the notice. True when it showed it; a profile that has
    // the version is left alone.
    static bool RunOnce(Settings& settings, IUiServices& ui);
};

}  // namespace orva
