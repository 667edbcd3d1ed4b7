#include "telescope/TelescopeKeyboard.h"

#include <cstddef>

namespace orva {

bool TelescopeKeyboard::KeyDown(TelescopeArrowKey key, bool control, bool autoRepeat, TelescopeDialogModel* model) {
    if (!control) return false;
    bool& held = held_[static_cast<std::size_t>(key)];
    if (autoRepeat && held) return true;
    held = true;
    if (model != nullptr) model->OnKeyDown(key, true);
    return true;
}

void TelescopeKeyboard::KeyUp(TelescopeArrowKey key, bool autoRepeat, TelescopeDialogModel* model) {
    if (autoRepeat) return;
    held_[static_cast<std::size_t>(key)] = false;
    if (model != nullptr) model->OnKeyUp(key);
}

void TelescopeKeyboard::FocusLost(TelescopeDialogModel* model) {
    for (std::size_t i = 0; i < held_.size(); ++i) {
        if (held_[i]) KeyUp(static_cast<TelescopeArrowKey>(i), false, model);
    }
}

}  // namespace orva
