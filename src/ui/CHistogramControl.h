#pragma once
// The histogram graph beside the live view: the histogram, the stretch curve, the three
// handles and the levels text, drawn from HistogramControlModel, whose mouse rules it
// feeds. Arrow keys move the focused control's background level (Shift: the white
// level), so the stretch can be set without a mouse.
//
// Threads: GUI thread only.

#include "display/HistogramControlModel.h"

#include <QWidget>

#include <functional>

namespace orva {

class CHistogramControl final : public QWidget {
public:
    explicit CHistogramControl(HistogramControlModel& model, QWidget* parent = nullptr);

    // Called after every level change the control made (the window refreshes the view).
    void SetLevelsChanged(std::function<void()> callback) { levelsChanged_ = std::move(callback); }

    QSize sizeHint() const override { return {300, 160}; }
    QSize minimumSizeHint() const override { return {120, 80}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Changed();

    HistogramControlModel& model_;
    std::function<void()> levelsChanged_;
};

}  // namespace orva
