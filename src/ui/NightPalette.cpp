#include "ui/NightPalette.h"

#include <QApplication>
#include <QStyle>

namespace orva {

QPalette NightPalette::Palette() {
    const QColor black(0, 0, 0);
    const QColor dark(28, 0, 0);
    const QColor text(190, 0, 0);
    const QColor dim(110, 0, 0);
    QPalette p;
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, black);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, black);
        p.setColor(group, QPalette::AlternateBase, dark);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, dark);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, QColor(230, 0, 0));
        p.setColor(group, QPalette::Highlight, QColor(120, 0, 0));
        p.setColor(group, QPalette::HighlightedText, QColor(230, 0, 0));
        p.setColor(group, QPalette::Link, QColor(150, 0, 0));
        p.setColor(group, QPalette::ToolTipBase, black);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::Mid, QColor(90, 0, 0));
        p.setColor(group, QPalette::Light, dark);
        p.setColor(group, QPalette::Midlight, dark);
        p.setColor(group, QPalette::Dark, black);
        p.setColor(group, QPalette::Shadow, black);
        p.setColor(group, QPalette::PlaceholderText, dim);
    }
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, dim);
    }
    p.setColor(QPalette::Disabled, QPalette::Window, black);
    p.setColor(QPalette::Disabled, QPalette::Base, black);
    p.setColor(QPalette::Disabled, QPalette::Button, dark);
    return p;
}

QPalette NightPalette::DayPalette() {
    QPalette p = QApplication::style()->standardPalette();
    // The histogram's bars and curve stand out against the white graph.
    p.setColor(QPalette::Mid, QColor(140, 140, 150));
    p.setColor(QPalette::Highlight, QColor(230, 120, 0));
    p.setColor(QPalette::Link, QColor(30, 80, 220));
    return p;
}

}  // namespace orva
