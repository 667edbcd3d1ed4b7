#include "ui/ActionButton.h"

#include <QPushButton>

namespace orva {

QPushButton* MakeActionButton(QWidget* parent, const char* text, std::function<void()> action,
                              std::function<void()> refresh) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, parent, [action = std::move(action), refresh = std::move(refresh)] {
        action();
        refresh();
    });
    return b;
}

}  // namespace orva
