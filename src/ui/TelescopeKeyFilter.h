#pragma once
// The application's key filter for the mount: every key event of the program's windows
// passes it before the window gets it; Ctrl+arrow presses and the arrows' releases go to
// TelescopeKeyboard, the application losing the keyboard too. Installed on the
// application by the main window.
//
// Threads: GUI thread only.

#include "telescope/TelescopeKeyboard.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace orva {

class TelescopeKeyFilter final : public QObject {
public:
    // `telescope`: the telescope window's logic, none while no telescope window exists.
    TelescopeKeyFilter(std::function<TelescopeDialogModel*()> telescope, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<TelescopeDialogModel*()> telescope_;
    TelescopeKeyboard keyboard_;
    // The key event seen last and its first widget: Qt hands a key the widget left
    // unhandled to each of its parents in turn, through this filter again.
    const QEvent* lastEvent_ = nullptr;
    QEvent::Type lastType_ = QEvent::None;
    quint64 lastTimestamp_ = 0;
    QPointer<QWidget> lastReceiver_;
};

}  // namespace orva
