#pragma once
// The line-profile graph: the averaged values across the pixel under the mouse, as a
// polyline with its minimum and maximum.
//
// Threads: GUI thread only.

#include "display/ProfileAverager.h"

#include <QWidget>

namespace orva {

class CCursorPeekControl final : public QWidget {
public:
    explicit CCursorPeekControl(const ProfileAverager& profile, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {300, 110}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ProfileAverager& profile_;
};

}  // namespace orva
