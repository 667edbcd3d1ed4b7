#pragma once
// A push button of a tool window: runs its action, then the window's refresh. It never
// becomes the dialog's default button, so Enter in an edit field does not press it.
//
// Threads: GUI thread only.

#include <functional>

class QPushButton;
class QWidget;

namespace orva {

QPushButton* MakeActionButton(QWidget* parent, const char* text, std::function<void()> action,
                              std::function<void()> refresh);

}  // namespace orva
