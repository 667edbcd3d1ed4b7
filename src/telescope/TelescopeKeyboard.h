#pragma once
// The Ctrl+arrow keys that move the mount, as the application's key filter sees them
// before any window does: a press with Ctrl held moves the axis and is consumed
// (TelescopeDialogModel::OnKeyDown), the release stops it (OnKeyUp) and goes on to the
// ordinary handling. The keyboard's own repeats of a held key are consumed without a new
// move, and the releases between them are no stops, so a held key sends one move and one
// stop. When the application loses the keyboard, the keys still held are released: their
// real release goes to another program, and the mount must not keep moving.
//
// Threads: GUI thread only.

#include "telescope/TelescopeDialogModel.h"

#include <array>

namespace orva {

class TelescopeKeyboard {
public:
    // `model`: the telescope window's logic; none while no telescope window exists (the
    // keys then move nothing). True when the key is consumed.
    bool KeyDown(TelescopeArrowKey key, bool control, bool autoRepeat, TelescopeDialogModel* model);
    void KeyUp(TelescopeArrowKey key, bool autoRepeat, TelescopeDialogModel* model);
    // The application lost the keyboard.
    void FocusLost(TelescopeDialogModel* model);

private:
    std::array<bool, 4> held_{};  // by TelescopeArrowKey
};

}  // namespace orva
