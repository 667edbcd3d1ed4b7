#include "ui/TelescopeKeyFilter.h"

#include <QKeyEvent>

#include <optional>

namespace orva {
namespace {

std::optional<TelescopeArrowKey> ArrowKeyOf(int key) {
    switch (key) {
        case Qt::Key_Left: return TelescopeArrowKey::Left;
        case Qt::Key_Right: return TelescopeArrowKey::Right;
        case Qt::Key_Up: return TelescopeArrowKey::Up;
        case Qt::Key_Down: return TelescopeArrowKey::Down;
        default: return std::nullopt;
    }
}

}  // namespace

TelescopeKeyFilter::TelescopeKeyFilter(std::function<TelescopeDialogModel*()> telescope, QObject* parent)
    : QObject(parent), telescope_(std::move(telescope)) {}

bool TelescopeKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ApplicationDeactivate) {
        keyboard_.FocusLost(telescope_());
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    // The window system's window hands the same event on to its focus widget: taken there.
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    const auto* key = static_cast<const QKeyEvent*>(event);
    const bool handedOn = event == lastEvent_ && event->type() == lastType_ && key->timestamp() == lastTimestamp_ &&
                          lastReceiver_ && widget != lastReceiver_ && widget->isAncestorOf(lastReceiver_);
    if (handedOn) return false;
    lastEvent_ = event;
    lastType_ = event->type();
    lastTimestamp_ = key->timestamp();
    lastReceiver_ = widget;
    const auto arrow = ArrowKeyOf(key->key());
    if (!arrow) return false;
    if (event->type() == QEvent::KeyPress) {
        return keyboard_.KeyDown(*arrow, key->modifiers().testFlag(Qt::ControlModifier), key->isAutoRepeat(),
                                 telescope_());
    }
    keyboard_.KeyUp(*arrow, key->isAutoRepeat(), telescope_());
    return false;
}

}  // namespace orva
